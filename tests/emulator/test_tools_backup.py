#!/usr/bin/env python3
"""The real idevicebackup2 against the emulator: a full backup and its
restore over TLS and plain, and every failure the emulator can inject, each
ending in bounded time."""

import os
import plistlib
import shutil
import signal
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import (Emulator, device, finished_percentages, main_skipping_without_tools,  # noqa: E402
                     run_tool, start_tool)
from corvina_emu import backupset  # noqa: E402

UDID = "00008030c0ffee0000000000000000000000c001"
OTHER = "00008030c0ffee0000000000000000000000c002"  # without TLS
NEW = "00008030c0ffee0000000000000000000000c003"
ENCRYPTED = "00008030c0ffee0000000000000000000000c004"
FILES = 7
FILE_SIZE = 5000


class BackupTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        backup = {"files": FILES, "file_size": FILE_SIZE, "files_per_message": 2}
        cls.emulator = Emulator([device(UDID, name="Backup Phone", backup=backup, reboot_delay=0.5),
                                 device(OTHER, name="Second Phone", backup=backup, reboot_delay=0.5, tls=False),
                                 device(ENCRYPTED, backup={"files": 2, "encrypted": True})])

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="corvina-backup-")

    def tearDown(self):
        for udid in (UDID, OTHER):
            self.emulator.control({"cmd": "set_fail", "udid": udid, "fail": None})
            self.emulator.control({"cmd": "attach", "udid": udid})
        shutil.rmtree(self.folder, ignore_errors=True)

    def backup(self, udid=UDID):
        return run_tool(self.emulator, ["idevicebackup2", "-u", udid, "backup", "--full", self.folder])

    def restore(self, target, source):
        return run_tool(self.emulator, ["idevicebackup2", "-u", target, "-s", source, "restore",
                                        "--reboot", "--system", self.folder])

    def fail_with(self, fail, udid=UDID):
        self.emulator.control({"cmd": "set_fail", "udid": udid, "fail": fail})

    def test_full_backup(self):
        for udid, name in ((UDID, "Backup Phone"), (OTHER, "Second Phone")):
            with self.subTest(udid=udid):
                self.check_full_backup(udid, name)

    def check_full_backup(self, udid, name):
        run = self.backup(udid)
        self.assertEqual(run.returncode, 0, run)
        self.assertTrue(run.stdout.endswith("Received %d files from device.\nBackup Successful.\n"
                                            % (FILES + 4)), run)
        progress = finished_percentages(run.stdout)
        self.assertGreaterEqual(len(progress), 3, run)
        self.assertEqual(progress, sorted(progress), "progress only rises")
        self.assertEqual(progress[-1], 100)
        self.assertGreater(progress[0], 0)
        device_folder = os.path.join(self.folder, udid)
        for file_name in ("Info.plist", "Manifest.plist", "Status.plist", "Manifest.db"):
            self.assertTrue(os.path.isfile(os.path.join(device_folder, file_name)), file_name)
        with open(os.path.join(device_folder, "Status.plist"), "rb") as handle:
            self.assertEqual(plistlib.load(handle)["SnapshotState"], "finished")
        with open(os.path.join(device_folder, "Info.plist"), "rb") as handle:
            info = plistlib.load(handle)
        self.assertEqual((info["Device Name"], info["Target Identifier"]), (name, udid))
        for item in backupset.sample_files(FILES, FILE_SIZE, udid):
            with open(os.path.join(self.folder, item.path_in_set(udid)), "rb") as handle:
                self.assertEqual(handle.read(), item.data, item.relative_path)

    def test_restore_of_another_devices_backup(self):
        for target, source in ((UDID, OTHER), (OTHER, UDID)):
            with self.subTest(target=target):
                self.check_restore(target, source)

    def check_restore(self, target, source):
        self.assertEqual(self.backup(source).returncode, 0)
        reboots = self.emulator.status(target)["counters"]["reboots"]
        run = self.restore(target, source)
        self.assertEqual(run.returncode, 0, run)
        self.assertIn("Restoring system files: Yes\nRebooting after restore: Yes\n", run.stdout)
        self.assertTrue(run.stdout.endswith("The device should reboot now.\nRestore Successful.\n"), run)
        self.assertEqual(finished_percentages(run.stdout)[-1], 100, run)
        status = self.emulator.status(target)
        expected = {item.path_in_set(source) for item in backupset.sample_files(FILES, FILE_SIZE, source)}
        self.assertTrue(expected <= set(status["restored_files"]), status["restored_files"])
        self.assertIn("iTunesRestore/RestoreApplications.plist", status["media_files"])
        # The device reboots once the tool has hung up, and comes back.
        self.assertTrue(self.emulator.wait_for(
            target, lambda s: s["counters"]["reboots"] == reboots + 1 and s["attached"]), "rebooted")

    def test_no_session(self):
        """Each way a device can refuse this computer, and an unplug while its
        values are read, as the tool reports them."""
        for kind, code in (("pair_locked", -17), ("pair_denied", -18), ("pair_pending", -19),
                           ("pair_record_rejected", -21), ("bad_certificate", -5), ("unplug_on_get_value", -8)):
            with self.subTest(kind=kind):
                self.fail_with({"kind": kind})
                run = self.backup()
                self.emulator.control({"cmd": "attach", "udid": UDID})
                self.assertEqual(run.returncode, 255, run)
                self.assertIn("ERROR: Could not connect to lockdownd, error code %d\n" % code, run.stdout)
        # Never paired: the tool pairs (the device accepts) and the session
        # runs over TLS with the certificates the tool made itself.
        self.emulator.control({"cmd": "add", "device": device(NEW, backup={"files": 1}, paired=False)})
        run = self.backup(NEW)
        self.assertTrue(run.stdout.endswith("Backup Successful.\n"), run)
        self.assertTrue(self.emulator.status(NEW)["paired"])

    def test_encrypted_backup_needs_its_password(self):
        self.assertEqual(self.backup(ENCRYPTED).returncode, 0)
        run = self.restore(ENCRYPTED, ENCRYPTED)
        self.assertEqual(run.returncode, 255, run)
        self.assertIn("ERROR: a backup password is required to restore an encrypted backup. Cannot continue.\n",
                      run.stdout)
        self.assertEqual(self.emulator.status(ENCRYPTED)["counters"]["restores"], 0)

    def test_device_errors(self):
        for code, exit_code, text in ((105, 151, "Insufficient free disk space on drive to back up"),
                                      (208, 48, "Device locked")):
            with self.subTest(code=code):
                self.fail_with({"kind": "device_error", "code": code})
                run = self.backup()
                self.assertEqual(run.returncode, exit_code, run)
                self.assertIn("ErrorCode %d: %s (MBErrorDomain/%d)\n" % (code, text, code), run.stdout)
                self.assertIn("Backup Failed (Error Code %d).\n" % code, run.stdout)
                self.assertFalse(os.path.exists(os.path.join(self.folder, UDID, "Manifest.plist")))

    def test_restore_device_error(self):
        self.assertEqual(self.backup().returncode, 0)
        self.fail_with({"kind": "device_error", "code": 105})
        run = self.restore(UDID, UDID)
        self.assertEqual(run.returncode, 151, run)
        self.assertIn("Restore Failed (Error Code 105).", run.stdout)

    def test_unplugged_between_two_files(self):
        """The tool spins without output once the device is gone between two
        files; it must end when told to, not hang."""
        self.fail_with({"kind": "disconnect_after_files", "files": 3})
        output = os.path.join(self.folder, "tool.out")
        process = start_tool(self.emulator, ["idevicebackup2", "-u", UDID, "backup", "--full", self.folder],
                             output)
        try:
            self.assertTrue(self.emulator.wait_for(UDID, lambda s: not s["attached"]), "device unplugged")
            time.sleep(1.0)
            self.assertIsNone(process.poll(), "the tool does not notice the unplugged device by itself")
            process.send_signal(signal.SIGTERM)
            self.assertEqual(process.wait(10), 255)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait(5)
        with open(output, encoding="utf-8", errors="replace") as handle:
            text = handle.read()
        self.assertIn("Backup Aborted.", text)
        self.assertNotIn("Backup Successful.", text)
        self.assertIn("unplugged after 3 files", self.emulator.status(UDID)["events"])

    def test_unplugged_during_restore(self):
        self.assertEqual(self.backup().returncode, 0)
        self.fail_with({"kind": "disconnect_after_files", "files": 4})
        run = run_tool(self.emulator, ["idevicebackup2", "-u", UDID, "-s", UDID, "restore", "--reboot",
                                       "--system", self.folder], timeout=30)
        self.assertNotEqual(run.returncode, 0, run)
        self.assertNotIn("Restore Successful.", run.stdout)

    def test_missing_notification_service_crashes_the_tool(self):
        self.fail_with({"kind": "refuse_service", "service": "com.apple.mobile.notification_proxy"})
        run = self.backup()
        self.assertEqual(run.returncode, -signal.SIGSEGV, run)

    def test_unknown_device_and_missing_folder(self):
        run = run_tool(self.emulator, ["idevicebackup2", "-u", "0" * 40, "backup", "--full", self.folder])
        self.assertEqual((run.returncode, run.stdout), (255, "No device found with udid %s.\n" % ("0" * 40)))
        missing = os.path.join(self.folder, "missing")
        run = run_tool(self.emulator, ["idevicebackup2", "-u", UDID, "backup", "--full", missing])
        self.assertEqual(run.returncode, 255)
        self.assertIn('ERROR: Backup directory "%s" does not exist!' % missing, run.stdout)


if __name__ == "__main__":
    main_skipping_without_tools()
