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

Every key but "udid" is optional; unknown keys are refused so that a typo in a
test's configuration does not go unnoticed.
"""

import json

FAILURE_KINDS = (
    "device_error",            # backup/restore ends with DeviceLink ErrorCode `code`
    "disconnect_after_files",  # the device is unplugged after `files` files
    "refuse_udid",             # lockdownd never gives UniqueDeviceID
    "install_failure",         # installation_proxy refuses every install
    "refuse_service",          # lockdownd refuses to start `service`
)

DEVICE_ERROR_TEXTS = {
    105: "Insufficient free disk space on drive to back up (MBErrorDomain/105)",
    208: "Device locked (MBErrorDomain/208)",
}

_DEVICE_KEYS = {
    "udid", "name", "product_version", "product_type", "build_version",
    "serial_number", "connection", "attached", "apps", "archive_supported",
    "backup", "reboot_delay", "fail", "values",
}
_APP_KEYS = {"id", "version", "name", "executable"}
_BACKUP_KEYS = {"files", "file_size", "files_per_message", "file_delay"}
_FAIL_KEYS = {"kind", "code", "files", "delay", "service", "description"}


class ConfigError(ValueError):
    pass


def _check_keys(what, mapping, allowed):
    if not isinstance(mapping, dict):
        raise ConfigError("%s must be an object" % what)
    unknown = set(mapping) - allowed
    if unknown:
        raise ConfigError("%s: unknown keys %s" % (what, ", ".join(sorted(unknown))))


class AppConfig:
    def __init__(self, raw):
        _check_keys("app", raw, _APP_KEYS)
        if not raw.get("id"):
            raise ConfigError("app without an id")
        self.bundle_id = str(raw["id"])
        self.version = raw.get("version")          # None: the app has no version
        self.display_name = raw.get("name")        # None: the tool shows the id
        self.executable = str(raw.get("executable") or self.bundle_id.split(".")[-1] or "App")

    def to_json(self):
        return {"id": self.bundle_id, "version": self.version,
                "name": self.display_name, "executable": self.executable}


class FailureConfig:
    def __init__(self, raw):
        _check_keys("fail", raw, _FAIL_KEYS)
        self.kind = raw.get("kind")
        if self.kind not in FAILURE_KINDS:
            raise ConfigError("fail.kind must be one of %s" % ", ".join(FAILURE_KINDS))
        self.code = int(raw.get("code", 105))
        self.files = int(raw.get("files", 1))
        self.delay = float(raw.get("delay", 0.0))
        self.service = str(raw.get("service", ""))
        self.description = raw.get("description") or DEVICE_ERROR_TEXTS.get(
            self.code, "Device error (MBErrorDomain/%d)" % self.code)
        if self.kind == "refuse_service" and not self.service:
            raise ConfigError("fail.kind refuse_service needs fail.service")

    def to_json(self):
        return {"kind": self.kind, "code": self.code, "files": self.files,
                "delay": self.delay, "service": self.service,
                "description": self.description}


class BackupConfig:
    def __init__(self, raw):
        _check_keys("backup", raw, _BACKUP_KEYS)
        self.files = max(0, int(raw.get("files", 6)))
        self.file_size = max(0, int(raw.get("file_size", 2048)))
        self.files_per_message = max(1, int(raw.get("files_per_message", 2)))
        self.file_delay = max(0.0, float(raw.get("file_delay", 0.0)))


class DeviceConfig:
    def __init__(self, raw):
        _check_keys("device", raw, _DEVICE_KEYS)
        if not raw.get("udid"):
            raise ConfigError("device without a udid")
        self.udid = str(raw["udid"])
        self.name = str(raw.get("name", "Emulated iPhone"))
        self.product_version = str(raw.get("product_version", "16.4"))
        self.product_type = str(raw.get("product_type", "iPhone14,2"))
        self.build_version = str(raw.get("build_version", "20E247"))
        self.serial_number = str(raw.get("serial_number", "C39" + self.udid[-9:].upper()))
        self.connection = str(raw.get("connection", "USB"))
        if self.connection not in ("USB", "Network"):
            raise ConfigError("connection must be USB or Network")
        self.attached = bool(raw.get("attached", True))
        self.apps = [AppConfig(app) for app in raw.get("apps", [])]
        supported = raw.get("archive_supported")
        # Apple removed app archiving from installation_proxy with iOS 7.
        self.archive_supported = (self.major_version() < 7) if supported is None else bool(supported)
        self.backup = BackupConfig(raw.get("backup", {}))
        self.reboot_delay = max(0.0, float(raw.get("reboot_delay", 1.0)))
        fail = raw.get("fail")
        self.failure = FailureConfig(fail) if fail else None
        self.values = dict(raw.get("values", {}))

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
    devices = [DeviceConfig(entry) for entry in raw.get("devices", [])]
    udids = [device.udid for device in devices]
    if len(set(udids)) != len(udids):
        raise ConfigError("two devices share a udid")
    return devices
