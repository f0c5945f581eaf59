"""The scheduled-backup recipe of docs/scheduled-backups.md: its two unit files,
taken from the document, pass systemd-analyze verify, and the service's
command, run through the installed launcher's dispatch against the device
emulator, ends at once with exit code 3 while no device is connected and
with the locked-device cause (exit code 1, not a hang) when the device waits
for its passcode."""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from processes import wait_until

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.path.abspath(sys.argv.pop(1))
EMULATOR = os.path.join(ROOT, "emulator", "corvina_emulator.py")
DOCUMENT = os.path.join(ROOT, "docs", "scheduled-backups.md")
INSTALLED_LAUNCHER = "/usr/bin/corvina"


def unit_files():
    """{file name: text} of the fenced blocks that start with a unit's path."""
    with open(DOCUMENT, encoding="utf-8") as handle:
        blocks = re.findall(r"```ini\n(.*?)```", handle.read(), re.S)
    units = {}
    for block in blocks:
        first = block.splitlines()[0]
        if first.startswith("# ~/.config/systemd/user/"):
            units[os.path.basename(first[2:])] = block
    return units


class ScheduledBackups(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="corvina-schedule-")
        # An installed copy: the launcher in bin, the program folder in lib/corvina.
        os.makedirs(os.path.join(self.folder, "usr", "bin"))
        os.makedirs(os.path.join(self.folder, "usr", "lib"))
        self.launcher = os.path.join(self.folder, "usr", "bin", "corvina")
        shutil.copy2(os.path.join(ROOT, "resources", "linux", "corvina"), self.launcher)
        os.symlink(os.path.join(BUILD_DIR, "bin"), os.path.join(self.folder, "usr", "lib", "corvina"))
        self.units = os.path.join(self.folder, "units")
        os.mkdir(self.units)
        for name, text in unit_files().items():
            with open(os.path.join(self.units, name), "w", encoding="utf-8") as handle:
                handle.write(text.replace(INSTALLED_LAUNCHER, self.launcher))
        runtime = os.path.join(self.folder, "runtime")
        os.mkdir(runtime, 0o700)
        self.env = {"PATH": os.environ["PATH"], "HOME": self.folder, "XDG_RUNTIME_DIR": runtime,
                    "CORVINA_CONFIG_DIR": os.path.join(self.folder, "config"), "LANG": "C.UTF-8",
                    "USBMUXD_SOCKET_ADDRESS": "127.0.0.1:1"}
        self.emulator = None

    def tearDown(self):
        if self.emulator is not None:
            self.emulator.terminate()
            self.emulator.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def exec_start(self):
        with open(os.path.join(self.units, "corvina-backup.service"), encoding="utf-8") as handle:
            line = next(line for line in handle if line.startswith("ExecStart="))
        return line[len("ExecStart="):].split()

    def run_service_command(self):
        return subprocess.run(self.exec_start(), env=self.env, capture_output=True, text=True,
                              stdin=subprocess.DEVNULL, timeout=600)

    def test_units_verify(self):
        self.assertEqual(sorted(os.listdir(self.units)), ["corvina-backup.service", "corvina-backup.timer"])
        names = [os.path.join(self.units, name) for name in sorted(os.listdir(self.units))]
        checked = subprocess.run(["systemd-analyze", "verify", "--user"] + names, env=self.env,
                                 capture_output=True, text=True)
        # Unknown keys are only warned about: any word about the units counts.
        self.assertEqual(checked.returncode, 0, checked.stderr)
        self.assertNotIn(self.units, checked.stdout + checked.stderr)

    def test_no_device_ends_at_once_and_a_locked_device_with_its_cause(self):
        ended = self.run_service_command()
        self.assertEqual(ended.returncode, 3, ended.stderr)
        self.assertIn("No device is connected", ended.stderr)

        config = os.path.join(self.folder, "devices.json")
        with open(config, "w", encoding="utf-8") as handle:
            json.dump({"devices": [{"udid": "00008030c0ffee0000000000000000000000d208", "name": "Locked Phone",
                                    "product_version": "17.5", "backup": {"files": 4},
                                    "fail": {"kind": "device_error", "code": 208}}]}, handle)
        ready = os.path.join(self.folder, "address")
        self.emulator = subprocess.Popen([sys.executable, EMULATOR, "--config", config, "--listen", "127.0.0.1:0",
                                          "--ready-file", ready, "--exit-with", str(os.getpid())],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertTrue(wait_until(lambda: os.path.exists(ready) and os.path.getsize(ready) > 0))
        with open(ready, encoding="utf-8") as handle:
            self.env["USBMUXD_SOCKET_ADDRESS"] = handle.read().strip()
        ended = self.run_service_command()
        self.assertEqual(ended.returncode, 1, ended.stdout + ended.stderr)
        self.assertIn("The device is locked, or is waiting for its passcode", ended.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
