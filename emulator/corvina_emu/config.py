"""The emulator's device configuration: a JSON file with a list of devices.

Example:

    {"devices": [
        {"udid": "0123456789abcdef0123456789abcdef01234567",
         "name": "Test iPhone",
         "product_version": "16.4", "product_type": "iPhone14,2",
         "connection": "USB",
         "apps": [{"id": "com.example.notes", "version": "1.2", "name": "Notes"}],
         "backup": {"files": 6, "file_size": 2048},
         "fail": {"kind": "device_error", "code": 105}}
    ]}

Every key but "udid" is optional; unknown keys and values of the wrong type
are refused so that a typo in a configuration does not go unnoticed.

Device keys: "name", "product_version", "product_type", "build_version",
"serial_number", "connection" ("USB" or "Network"), "attached" (plugged in
at start), "apps", "archive_supported" (default: iOS 6 and earlier),
"backup", "reboot_delay" (seconds gone after a restore), "values" (extra
lockdownd values), "fail", and:
  "tls"     true (default): lockdownd answers StartSession with
            EnableSessionSSL and switches to TLS, and on iOS 13 and later
            starts the services with EnableServiceSSL, as real devices do;
            false: everything stays plain.
  "paired"  true (default): usbmuxd holds a pair record for this computer;
            false: none until the host pairs (the device then accepts).
Backup keys: "files", "file_size" (bytes each), "files_per_message",
"file_delay" (seconds after each file sent in a backup or received in a
restore), "encrypted" (the device encrypts its backups, WillEncrypt: their
Manifest.plist says IsEncrypted, their Manifest.db is ciphertext, and a
restore needs the password), "password" (the backup password while
encryption is on; the host changes both through mobilebackup2).
App keys: "id", "version", "name", "executable".
"""

import json

FAILURE_KINDS = (
    "device_error",            # backup/restore ends with DeviceLink ErrorCode `code`
    "disconnect_after_files",  # the device is unplugged after `files` files
    "refuse_udid",             # lockdownd never gives UniqueDeviceID
    "install_failure",         # installation_proxy refuses every install
    "refuse_service",          # lockdownd refuses to start `service`
    # Trust: with one of the next three the device acts unpaired (usbmuxd has
    # no pair record) and answers the host's Pair request with an error; the
    # tools then print "Could not connect to lockdownd, error code -N".
    "pair_locked",             # Pair: PasswordProtected (-17), locked and never trusted
    "pair_denied",             # Pair: UserDeniedPairing (-18), "Don't Trust" was tapped
    "pair_pending",            # Pair: PairingDialogResponsePending (-19), the dialog is open
    "pair_record_rejected",    # StartSession: InvalidHostID (-21), the device forgot this computer
    "bad_certificate",         # the device rejects the host's certificate in every TLS handshake (-5)
    "unplug_on_get_value",     # unplugged when lockdownd is asked for `key` (any key if empty)
    "unplug_during_install",   # unplugged half-way through an app install (`delay` seconds in, default 1)
    "short_files",             # a backup's first `files` files arrive cut to half; the manifest keeps their size
    "no_status",               # a backup sends no Status.plist
)

PAIRING_ERRORS = {
    "pair_locked": "PasswordProtected",
    "pair_denied": "UserDeniedPairing",
    "pair_pending": "PairingDialogResponsePending",
}

DEVICE_ERROR_TEXTS = {
    105: "Insufficient free disk space on drive to back up (MBErrorDomain/105)",
    208: "Device locked (MBErrorDomain/208)",
    207: "Invalid password (MBErrorDomain/207)",
    211: "Find My iPhone must be disabled before restoring (MBErrorDomain/211)",
}

_DEVICE_KEYS = {
    "udid", "name", "product_version", "product_type", "build_version",
    "serial_number", "connection", "attached", "apps", "archive_supported",
    "backup", "reboot_delay", "fail", "values", "tls", "paired",
}
_APP_KEYS = {"id", "version", "name", "executable"}
_BACKUP_KEYS = {"files", "file_size", "files_per_message", "file_delay", "encrypted", "password"}
_FAIL_KEYS = {"kind", "code", "files", "delay", "service", "description", "key"}


class ConfigError(ValueError):
    pass


def _check_keys(what, mapping, allowed):
    if not isinstance(mapping, dict):
        raise ConfigError("%s must be an object" % what)
    unknown = set(mapping) - allowed
    if unknown:
        raise ConfigError("%s: unknown keys %s" % (what, ", ".join(sorted(unknown))))


_TYPE_NAMES = {str: "a string", int: "a whole number", float: "a number", bool: "true or false",
               list: "a list", dict: "an object"}


def _value(what, raw, key, kind, default=None):
    """raw[key] checked to be of `kind` (a float accepts whole numbers too);
    `default` when absent. A wrong type is refused rather than converted, so
    that "false" in quotes is not taken for true."""
    if key not in raw or (raw[key] is None and default is None):
        return default
    value = raw[key]
    accepted = (int, float) if kind is float else (kind,)
    if isinstance(value, bool) and kind is not bool or not isinstance(value, accepted):
        raise ConfigError('%s: "%s" must be %s' % (what, key, _TYPE_NAMES[kind]))
    return float(value) if kind is float else value


class AppConfig:
    def __init__(self, raw):
        _check_keys("app", raw, _APP_KEYS)
        self.bundle_id = _value("app", raw, "id", str)
        if not self.bundle_id:
            raise ConfigError("app without an id")
        self.version = _value("app", raw, "version", str)          # None: the app has no version
        self.display_name = _value("app", raw, "name", str)        # None: the tool shows the id
        self.executable = _value("app", raw, "executable", str) or self.bundle_id.split(".")[-1] or "App"

    def to_json(self):
        return {"id": self.bundle_id, "version": self.version,
                "name": self.display_name, "executable": self.executable}


class FailureConfig:
    def __init__(self, raw):
        _check_keys("fail", raw, _FAIL_KEYS)
        self.kind = raw.get("kind")
        if self.kind not in FAILURE_KINDS:
            raise ConfigError("fail.kind must be one of %s" % ", ".join(FAILURE_KINDS))
        self.code = _value("fail", raw, "code", int, 105)
        self.files = _value("fail", raw, "files", int, 1)
        self.delay = _value("fail", raw, "delay", float, 0.0)
        self.service = _value("fail", raw, "service", str, "")
        self.key = _value("fail", raw, "key", str, "")
        self.description = _value("fail", raw, "description", str) or DEVICE_ERROR_TEXTS.get(
            self.code, "Device error (MBErrorDomain/%d)" % self.code)
        if self.kind == "refuse_service" and not self.service:
            raise ConfigError("fail.kind refuse_service needs fail.service")

    def to_json(self):
        return {"kind": self.kind, "code": self.code, "files": self.files,
                "delay": self.delay, "service": self.service, "key": self.key,
                "description": self.description}


class BackupConfig:
    def __init__(self, raw):
        _check_keys("backup", raw, _BACKUP_KEYS)
        self.files = max(0, _value("backup", raw, "files", int, 6))
        self.file_size = max(0, _value("backup", raw, "file_size", int, 2048))
        self.files_per_message = max(1, _value("backup", raw, "files_per_message", int, 2))
        self.file_delay = max(0.0, _value("backup", raw, "file_delay", float, 0.0))
        self.encrypted = _value("backup", raw, "encrypted", bool, False)
        self.password = _value("backup", raw, "password", str, "")


class DeviceConfig:
    def __init__(self, raw):
        _check_keys("device", raw, _DEVICE_KEYS)
        self.udid = _value("device", raw, "udid", str)
        if not self.udid:
            raise ConfigError("device without a udid")
        what = "device %s" % self.udid
        self.name = _value(what, raw, "name", str, "Emulated iPhone")
        self.product_version = _value(what, raw, "product_version", str, "16.4")
        self.product_type = _value(what, raw, "product_type", str, "iPhone14,2")
        self.build_version = _value(what, raw, "build_version", str, "20E247")
        self.serial_number = _value(what, raw, "serial_number", str, "C39" + self.udid[-9:].upper())
        self.connection = _value(what, raw, "connection", str, "USB")
        if self.connection not in ("USB", "Network"):
            raise ConfigError("%s: connection must be USB or Network" % what)
        self.attached = _value(what, raw, "attached", bool, True)
        self.apps = [AppConfig(app) for app in _value(what, raw, "apps", list, [])]
        supported = _value(what, raw, "archive_supported", bool)
        # Apple removed app archiving from installation_proxy with iOS 7.
        self.archive_supported = (self.major_version() < 7) if supported is None else supported
        self.backup = BackupConfig(_value(what, raw, "backup", dict, {}))
        self.reboot_delay = max(0.0, _value(what, raw, "reboot_delay", float, 1.0))
        fail = _value(what, raw, "fail", dict)
        self.failure = FailureConfig(fail) if fail else None
        self.values = dict(_value(what, raw, "values", dict, {}))
        self.tls = _value(what, raw, "tls", bool, True)
        self.paired = _value(what, raw, "paired", bool, True)

    def major_version(self):
        try:
            return int(self.product_version.split(".")[0])
        except ValueError:
            return 0

    def fails_with(self, kind):
        return self.failure is not None and self.failure.kind == kind


def load_devices(path):
    """Reads a configuration file and returns its DeviceConfig list."""
    with open(path, "r", encoding="utf-8") as handle:
        raw = json.load(handle)
    return parse_devices(raw)


def parse_devices(raw):
    _check_keys("configuration", raw, {"devices"})
    devices = [DeviceConfig(entry) for entry in _value("configuration", raw, "devices", list, [])]
    udids = [device.udid for device in devices]
    if len(set(udids)) != len(udids):
        raise ConfigError("two devices share a udid")
    return devices
