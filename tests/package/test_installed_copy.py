"""The Debian package as a user gets it: made by cpack, unpacked with dpkg -x
into a temporary root, and the installed program started from its launcher
by a user who cannot write its program folder."""

import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

from processes import wait_until

BUILD_DIR = os.path.abspath(sys.argv.pop(1))
NOBODY = 65534
PROGRAM_FILES = ["Corvina", "corvina-cli", "corvina_en.qm", "corvina_zh.qm",
                 "libCoreFoundation.so", "libTextLog.so", "libiTunesMobileDevice.so"]


def as_user_without_write_access(command, folder):
    """The installed program folder belongs to root. Root itself may write
    anywhere, so it runs the command as nobody; anyone else takes the write
    permission away."""
    if os.getuid() != 0:
        subprocess.run(["chmod", "-R", "a-w", folder], check=True)
        return command
    return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"] + command


class InstalledCopy(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="corvina-package-")
        os.chmod(cls.folder, 0o755)
        subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
                        "-B", os.path.join(cls.folder, "out")], check=True, stdout=subprocess.DEVNULL)
        cls.deb = glob.glob(os.path.join(cls.folder, "out", "corvina_*.deb"))[0]
        cls.root = os.path.join(cls.folder, "root")
        subprocess.run(["dpkg", "-x", cls.deb, cls.root], check=True)
        cls.program_dir = os.path.join(cls.root, "usr", "lib", "corvina")

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["chmod", "-R", "u+w", cls.folder], check=False)
        shutil.rmtree(cls.folder, ignore_errors=True)

    def test_package_installs_and_its_desktop_files_validate(self):
        # --reinstall: the dependencies are resolved also where a copy is installed already.
        simulated = subprocess.run(["apt-get", "install", "--simulate", "--reinstall", "--no-install-recommends",
                                    self.deb],
                                   capture_output=True, text=True)
        self.assertEqual(simulated.returncode, 0, simulated.stdout + simulated.stderr)
        self.assertIn("Inst corvina", simulated.stdout)
        share = os.path.join(self.root, "usr", "share")
        for command in (["desktop-file-validate", share + "/applications/com.pelora.Corvina.desktop"],
                        ["appstreamcli", "validate", "--no-net", share + "/metainfo/com.pelora.Corvina.metainfo.xml"]):
            checked = subprocess.run(command, capture_output=True, text=True)
            self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_program_keeps_settings_and_log_in_the_users_folders(self):
        home = os.path.join(self.folder, "home")
        os.mkdir(home, 0o700)
        if os.getuid() == 0:
            os.chown(home, NOBODY, NOBODY)
        env = {"PATH": os.environ["PATH"], "HOME": home, "XDG_RUNTIME_DIR": home,
               "XDG_CONFIG_HOME": os.path.join(home, "config"), "XDG_DATA_HOME": os.path.join(home, "data"),
               "LANG": "zh_CN.UTF-8", "QT_QPA_PLATFORM": "offscreen", "USBMUXD_SOCKET_ADDRESS": "127.0.0.1:1"}
        launcher = os.path.join(self.root, "usr", "bin", "corvina")
        program = subprocess.Popen(as_user_without_write_access([launcher], self.program_dir), env=env,
                                   cwd=self.folder, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        settings = os.path.join(home, "config", "Corvina", "Corvina.ini")
        log = os.path.join(home, "data", "Corvina", "Log", "Text", "Corvina.log")
        wanted = {os.path.join(self.program_dir, name) for name in PROGRAM_FILES
                  if name not in ("corvina_en.qm", "corvina-cli")}
        try:
            # The libraries, loaded by their paths, and the Chinese translation
            # are mapped into the process from the program folder.
            self.assertTrue(wait_until(lambda: wanted <= mapped_files(program.pid)),
                            "not mapped: %s" % (wanted - mapped_files(program.pid)))
            self.assertTrue(wait_until(lambda: os.path.exists(log) and os.path.exists(settings)))
        finally:
            program.send_signal(signal.SIGTERM)
            _, errors = program.communicate(timeout=60)
        self.assertEqual(program.returncode, 0, errors)
        with open(settings, encoding="utf-8") as handle:
            self.assertIn("BackupDirectory=%s/PeloraBackup" % home, handle.read())
        self.assertGreater(os.path.getsize(log), 0)
        # With a command the launcher runs the command line, which finds no device service.
        command = subprocess.run(as_user_without_write_access([launcher, "devices"], self.program_dir), env=env,
                                 cwd=self.folder, capture_output=True, text=True, timeout=60)
        self.assertEqual(command.returncode, 3, command.stderr)
        self.assertEqual(sorted(os.listdir(self.program_dir)), sorted(PROGRAM_FILES))

    def test_install_step_refuses_a_prefix_it_cannot_write(self):
        prefix = os.path.join(self.folder, "locked")
        os.mkdir(prefix, 0o755)
        command = ["cmake", "--install", BUILD_DIR, "--prefix", os.path.join(prefix, "usr")]
        install = subprocess.run(as_user_without_write_access(command, prefix), capture_output=True, text=True,
                                 cwd=self.folder)
        self.assertNotEqual(install.returncode, 0)
        self.assertIn("Cannot install Corvina into %s/usr: %s is not writable" % (prefix, prefix),
                      " ".join(install.stderr.split()))
        self.assertEqual(os.listdir(prefix), [])


def mapped_files(pid):
    try:
        with open("/proc/%d/maps" % pid, encoding="utf-8") as handle:
            return {line.split(None, 5)[5].strip() for line in handle if len(line.split(None, 5)) == 6}
    except OSError:
        return set()


if __name__ == "__main__":
    unittest.main(verbosity=2)
