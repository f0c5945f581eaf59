"""scripts/run --demo with this build's program: Corvina finds the Demo iPhone
through the emulator; a second demo hands over to the running one without
disturbing its emulator; the demo keeps its settings and backups out of the
user's own; however the demo ends, nothing it started is left running; an
emulator that cannot start keeps Corvina from starting."""

import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import unittest

from processes import session_processes, wait_until

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.path.abspath(sys.argv.pop(1))
EMULATOR = os.path.join(ROOT, "emulator", "corvina_emulator.py")
DEMO_UDID = "00008120-001A4C3E0E81401E"
PROGRAM_FILES = ["Corvina", "corvina_en.qm", "corvina_zh.qm",
                 "libCoreFoundation.so", "libTextLog.so", "libiTunesMobileDevice.so"]


class DemoScript(unittest.TestCase):
    def setUp(self):
        # A program folder of the test's own keeps its settings and log out of the build.
        self.folder = tempfile.mkdtemp(prefix="corvina-demo-test-")
        program_dir = os.path.join(self.folder, "build", "bin")
        os.makedirs(program_dir)
        for name in PROGRAM_FILES:
            shutil.copy2(os.path.join(BUILD_DIR, "bin", name), program_dir)
        self.log = os.path.join(program_dir, "Log", "Text", "Corvina.log")
        self.env = dict(os.environ, CORVINA_RUN_BUILD_DIR=os.path.join(self.folder, "build"), HOME=self.folder,
                        XDG_RUNTIME_DIR=self.folder, TMPDIR=self.folder, QT_QPA_PLATFORM="offscreen")
        for name in ("USBMUXD_SOCKET_ADDRESS", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"):
            self.env.pop(name, None)
        self.started = []

    def tearDown(self):
        for demo in self.started:
            if demo.poll() is None:
                os.killpg(demo.pid, signal.SIGKILL)
                demo.wait()
            demo.output.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def start(self, **env):
        output = open(os.path.join(self.folder, "demo-%d.err" % len(self.started)), "w+", encoding="utf-8")
        demo = subprocess.Popen([os.path.join(ROOT, "scripts", "run"), "--demo"], env=dict(self.env, **env),
                                stdout=subprocess.DEVNULL, stderr=output, start_new_session=True)
        demo.output = output
        self.started.append(demo)
        return demo

    def finish(self, demo):
        """Exit code and messages of a demo that must end by itself, and what it left running."""
        code = demo.wait(timeout=120)
        demo.output.seek(0)
        return code, demo.output.read(), session_processes(demo.pid)

    def child(self, demo, part):
        return next(pid for pid, command in session_processes(demo.pid).items() if part in command)

    @staticmethod
    def printed(demo, pattern):
        demo.output.seek(0)
        found = re.search(pattern, demo.output.read())
        return found.group(1) if found else None

    def corvina_reached_the_demo_iphone(self, demo):
        """Corvina is the only client of the demo's emulator: a lockdown session counted there is its."""
        control = self.printed(demo, r"control socket (\S+)\)")
        status = subprocess.run([sys.executable, "-B", EMULATOR, "--control", str(control), "--send", '{"cmd": "status"}'],
                                capture_output=True, text=True)
        return status.returncode == 0 and json.loads(status.stdout)["devices"][0]["counters"]["sessions"] > 0

    def test_demo_ends_with_corvina_however_it_ends(self):
        endings = [("Corvina closed", lambda demo: os.kill(self.child(demo, "/bin/Corvina"), signal.SIGTERM), 0),
                   ("Ctrl-C", lambda demo: os.killpg(demo.pid, signal.SIGINT), 130),
                   ("emulator gone", lambda demo: os.kill(self.child(demo, "corvina_emulator.py"), signal.SIGKILL), 1)]
        for name, end, expected in endings:
            with self.subTest(name):
                demo = self.start()
                self.assertTrue(wait_until(lambda: self.corvina_reached_the_demo_iphone(demo)),
                                "Corvina never reached the Demo iPhone")
                if name == "Corvina closed":
                    self.check_second_demo_leaves_the_first_alone(demo)
                end(demo)
                code, output, left = self.finish(demo)
                self.assertEqual(code, expected, output)
                self.assertEqual(left, {})
                self.check_demo_kept_out_of_the_users_settings_and_backups()

    def check_second_demo_leaves_the_first_alone(self, first):
        address = self.printed(first, r"USBMUXD_SOCKET_ADDRESS=(\S+)")
        code, output, left = self.finish(self.start())
        self.assertEqual((code, left), (0, {}), output)
        self.assertIn("running already", output)
        listed = subprocess.run(["idevice_id", "-l"], env=dict(self.env, USBMUXD_SOCKET_ADDRESS=address),
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(listed.stdout.split(), [DEMO_UDID])

    def check_demo_kept_out_of_the_users_settings_and_backups(self):
        for real in ("PeloraBackup", ".config/Corvina/Corvina.ini", "build/bin/Corvina.ini"):
            self.assertFalse(os.path.exists(os.path.join(self.folder, real)), real)
        demo_folder = os.path.join(self.folder, ".cache", "corvina-demo")
        with open(os.path.join(demo_folder, "Corvina.ini"), encoding="utf-8") as settings:
            self.assertRegex(settings.read(), 'BackupDirectory="?%s/PeloraBackup' % re.escape(demo_folder))

    def test_emulator_that_cannot_start_keeps_corvina_from_starting(self):
        with socket.socket() as taken:
            taken.bind(("127.0.0.1", 0))
            taken.listen()
            code, output, left = self.finish(self.start(CORVINA_DEMO_LISTEN="127.0.0.1:%d" % taken.getsockname()[1]))
        self.assertEqual((code, left), (1, {}), output)
        self.assertIn("the demo device emulator did not start, so Corvina was not started either", output)
        self.assertIn("corvina_emulator: ", output)
        self.assertFalse(os.path.exists(self.log))


if __name__ == "__main__":
    unittest.main(verbosity=2)
