#!/usr/bin/env python3
"""The real idevice_id, ideviceinfo and ideviceinstaller against the
emulator: device list, identity values, the app list, archiving on old and
current devices, installing, and a refused install."""

import os
import sys
import tempfile
import unittest
import zipfile
import plistlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import Emulator, device, main_skipping_without_tools, run_tool  # noqa: E402
from corvina_emu.apparchive import build_ipa  # noqa: E402

MODERN = "00008030c0ffee0000000000000000000000b001"
OLD = "5e1f0c2d3b4a59687766554433221100ffee0002"
NETWORKED = "00008030c0ffee0000000000000000000000b003"
PLAIN = "00008030c0ffee0000000000000000000000b004"  # without TLS
ODD_NAME = 'Тест/iPhone: 测试*?<"|>'

APPS = [
    {"id": "com.example.notes", "version": "1.2.3", "name": "Notes Pro"},
    {"id": "com.example.weather", "version": "4.0", "name": "Weather, Daily"},
    {"id": "com.example.noname", "version": "2.1"},
    {"id": "com.example.nover", "name": "No Version"},
]


class IdentityTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.emulator = Emulator([
            device(MODERN, name=ODD_NAME, product_version="16.4.1", product_type="iPhone14,2"),
            device(NETWORKED, connection="Network"),
        ])

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def test_device_list_follows_plugging(self):
        listed = run_tool(self.emulator, ["idevice_id", "-l"])
        self.assertEqual(listed.stdout.split(), [MODERN], listed)
        network = run_tool(self.emulator, ["idevice_id", "-n"])
        self.assertEqual(network.stdout.split(), [NETWORKED], network)
        self.emulator.control({"cmd": "detach", "udid": MODERN})
        try:
            self.assertEqual(run_tool(self.emulator, ["idevice_id", "-l"]).stdout.split(), [])
            missing = run_tool(self.emulator, ["ideviceinfo", "-u", MODERN, "-k", "DeviceName"])
            self.assertNotEqual(missing.returncode, 0, missing)
        finally:
            self.emulator.control({"cmd": "attach", "udid": MODERN})
        self.assertEqual(run_tool(self.emulator, ["idevice_id", "-l"]).stdout.split(), [MODERN])

    def test_identity_values(self):
        expected = {"DeviceName": ODD_NAME, "ProductVersion": "16.4.1", "ProductType": "iPhone14,2",
                    "UniqueDeviceID": MODERN}
        for key, value in expected.items():
            with self.subTest(key=key):
                run = run_tool(self.emulator, ["ideviceinfo", "-u", MODERN, "-k", key])
                self.assertEqual(run.returncode, 0, run)
                self.assertEqual(run.stdout.rstrip("\n"), value)

    def test_refused_udid_is_counted(self):
        before = self.emulator.status(MODERN)["counters"]["udid_requests"]
        self.emulator.control({"cmd": "set_fail", "udid": MODERN, "fail": {"kind": "refuse_udid"}})
        try:
            run = run_tool(self.emulator, ["ideviceinfo", "-u", MODERN, "-k", "UniqueDeviceID"])
            self.assertEqual(run.stdout.strip(), "", run)
            name = run_tool(self.emulator, ["ideviceinfo", "-u", MODERN, "-k", "DeviceName"])
            self.assertEqual(name.stdout.rstrip("\n"), ODD_NAME, "other values still arrive")
        finally:
            self.emulator.control({"cmd": "set_fail", "udid": MODERN, "fail": None})
        self.assertEqual(self.emulator.status(MODERN)["counters"]["udid_requests"], before + 1)


class UnixSocketTest(unittest.TestCase):
    def test_tools_reach_the_emulator_on_a_unix_socket(self):
        with Emulator([device(MODERN, name="Socket Phone")], transport="unix") as emulator:
            self.assertTrue(emulator.address.startswith("UNIX:/"), emulator.address)
            listed = run_tool(emulator, ["idevice_id", "-l"])
            self.assertEqual(listed.stdout.split(), [MODERN], listed)
            name = run_tool(emulator, ["ideviceinfo", "-u", MODERN, "-k", "DeviceName"])
            self.assertEqual(name.stdout, "Socket Phone\n", name)


class AppsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.emulator = Emulator([
            device(MODERN, product_version="17.1", apps=APPS),
            device(OLD, product_version="6.1.3", product_type="iPhone5,2", apps=APPS[:2]),
            device(PLAIN, product_version="17.1", apps=APPS, tls=False),
        ])

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="corvina-apps-")

    def tearDown(self):
        for name in os.listdir(self.folder):
            os.unlink(os.path.join(self.folder, name))
        os.rmdir(self.folder)

    def test_app_list_lines(self):
        for udid in (MODERN, PLAIN):
            with self.subTest(udid=udid):
                self.check_app_list(udid)

    def check_app_list(self, udid):
        run = run_tool(self.emulator, ["ideviceinstaller", "-u", udid, "-l"])
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(run.stdout.split("\n"), [
            "CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName",
            'com.example.notes, "1.2.3", "Notes Pro"',
            'com.example.weather, "4.0", "Weather, Daily"',
            'com.example.noname, "2.1", "com.example.noname"',
            'com.example.nover, "No Version"',
            "",
        ])

    def test_archive_on_a_current_device_is_an_unknown_command(self):
        run = run_tool(self.emulator, ["ideviceinstaller", "-u", MODERN, "-a", "com.example.notes",
                                       "-o", "copy=" + self.folder, "-o", "remove"])
        self.assertEqual(run.returncode, 255, run)
        self.assertIn('ERROR: Archive failed. Got error "UnknownCommand".', run.stderr)
        self.assertEqual(os.listdir(self.folder), [])

    def test_archive_on_an_old_device_arrives_as_ipa(self):
        run = run_tool(self.emulator, ["ideviceinstaller", "-u", OLD, "-a", "com.example.weather",
                                       "-o", "copy=" + self.folder, "-o", "remove"])
        self.assertEqual(run.returncode, 0, run)
        target = os.path.join(self.folder, "com.example.weather.ipa")
        self.assertIn("Copying 'ApplicationArchives/com.example.weather.zip' --> '%s'... DONE." % target,
                      run.stdout)
        self.assertIn("Archive: Complete", run.stdout)
        with zipfile.ZipFile(target) as archive:
            info = plistlib.loads(archive.read("Payload/weather.app/Info.plist"))
        self.assertEqual(info["CFBundleIdentifier"], "com.example.weather")
        self.assertEqual(info["CFBundleDisplayName"], "Weather, Daily")
        status = self.emulator.status(OLD)
        self.assertNotIn("ApplicationArchives/com.example.weather.zip", status["media_files"],
                         '"-o remove" removes the archive from the device')
        self.assertIn("com.example.weather", [app["id"] for app in status["apps"]],
                      "archiving keeps the app installed")

    def test_install_adds_the_app(self):
        package = os.path.join(self.folder, "fresh.ipa")
        with open(package, "wb") as handle:
            handle.write(build_ipa("com.example.fresh", "9.9", "Fresh App"))
        run = run_tool(self.emulator, ["ideviceinstaller", "-u", MODERN, "-i", package])
        self.assertEqual(run.returncode, 0, run)
        self.assertIn("Copying '%s' to device... DONE." % package, run.stdout)
        self.assertIn("Installing 'com.example.fresh'", run.stdout)
        self.assertTrue(run.stdout.rstrip().endswith("Install: Complete"), run)
        listed = run_tool(self.emulator, ["ideviceinstaller", "-u", MODERN, "-l"])
        self.assertIn('com.example.fresh, "9.9", "Fresh App"', listed.stdout.split("\n"))
        self.assertNotIn("PublicStaging/com.example.fresh", self.emulator.status(MODERN)["media_files"])

    def test_failed_installs(self):
        package = os.path.join(self.folder, "refused.ipa")
        with open(package, "wb") as handle:
            handle.write(build_ipa("com.example.refused", "1.0", "Refused"))
        rows = [
            ("install_failure", 128,
             'ERROR: Install failed. Got error "ApplicationVerificationFailed" with code 0xe8008015: '),
            ("unplug_during_install", 0, "ideviceinstaller: Device removed\n"),
        ]
        for kind, exit_code, message in rows:
            with self.subTest(kind=kind):
                self.emulator.control({"cmd": "set_fail", "udid": OLD, "fail": {"kind": kind}})
                try:
                    run = run_tool(self.emulator, ["ideviceinstaller", "-u", OLD, "-i", package])
                finally:
                    self.emulator.control({"cmd": "set_fail", "udid": OLD, "fail": None})
                    self.emulator.control({"cmd": "attach", "udid": OLD})
                self.assertEqual(run.returncode, exit_code, run)
                self.assertIn(message, run.stderr)
                self.assertNotIn("com.example.refused", [app["id"] for app in self.emulator.status(OLD)["apps"]])

    def test_unknown_device(self):
        run = run_tool(self.emulator, ["ideviceinstaller", "-u", "0" * 40, "-l"])
        self.assertEqual(run.returncode, 255, run)
        self.assertIn("No device found with udid %s." % ("0" * 40), run.stderr)


if __name__ == "__main__":
    main_skipping_without_tools()
