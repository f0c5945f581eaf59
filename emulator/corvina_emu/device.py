"""One emulated device: its configuration, storage, apps and counters."""

import threading

from . import backupset
from .config import PAIRING_ERRORS, AppConfig
from .pairing import HOST_ID
from .vfs import VirtualFileSystem

LOCKDOWN_PORT = 62078
FIRST_SERVICE_PORT = 49152
# Services the tools use; iOS 13 and later start them with EnableServiceSSL.
TLS_SERVICES = {"com.apple.afc", "com.apple.mobile.installation_proxy", "com.apple.mobile.notification_proxy",
                "com.apple.mobilebackup2", "com.apple.springboardservices"}
FIRST_TLS_SERVICES_VERSION = 13


class Device:
    def __init__(self, config, credentials):
        self.config = config
        self.credentials = credentials
        # Pairing as the device knows it: the hosts it trusts (HostID: root
        # certificate) and what usbmuxd keeps for this computer.
        self.trusted_hosts = {HOST_ID: credentials.read("root.pem")} if config.paired else {}
        self.saved_pair_record = None
        self.unplug = lambda: None     # set by the hub: pulls the cable
        self.lock = threading.RLock()
        self.device_id = 0          # usbmuxd's handle, new on every attach
        self.attached = False
        self.media = VirtualFileSystem(["ApplicationArchives", "Books", "iTunes_Control/iTunes"])
        self.apps = list(config.apps)
        self.failure = config.failure
        self._next_port = FIRST_SERVICE_PORT
        self._service_ports = {}
        self._tunnels = set()
        self.counters = {
            "udid_requests": 0,      # GetValue for UniqueDeviceID
            "sessions": 0,           # StartSession
            "backups": 0,            # mobilebackup2 Backup requests
            "restores": 0,           # mobilebackup2 Restore requests
            "installs": 0,           # installation_proxy Install requests
            "archives": 0,           # installation_proxy Archive requests
            "reboots": 0,
            "bytes_sent": 0,         # file bytes sent to the host in backups
        }
        # The files a backup sends (they change on request) and the last
        # finished snapshot: (its UUID, {fileID: (size, seed)} as sent then).
        self.backup_files = backupset.sample_files(config.backup.files, config.backup.file_size, config.udid)
        self.data_generation = 0
        self.last_snapshot = None
        # Backup encryption as the device keeps it: whether its backups are
        # encrypted (WillEncrypt) and their password; the host changes both.
        self.will_encrypt = config.backup.encrypted
        self.backup_password = config.backup.password
        self.installed = []          # bundle ids installed through installation_proxy
        self.restored_files = []     # paths the host sent during restores
        self.events = []             # a short history for the tests

    @property
    def udid(self):
        return self.config.udid

    def fails_with(self, kind):
        return self.failure is not None and self.failure.kind == kind

    def count(self, name):
        with self.lock:
            self.counters[name] = self.counters.get(name, 0) + 1

    def note(self, text):
        with self.lock:
            self.events.append(text)
            del self.events[:-200]

    # -- pairing and TLS ---------------------------------------------------------

    def pairing_error(self):
        """The Pair error a configured trust failure answers, else None."""
        return PAIRING_ERRORS.get(self.failure.kind) if self.failure else None

    def pair_record_data(self):
        """The pair record usbmuxd serves for this device, or None when the
        computer is not paired with it (or a trust failure pretends so)."""
        if self.pairing_error():
            return None
        with self.lock:
            if self.saved_pair_record is not None:
                return self.saved_pair_record
            if HOST_ID in self.trusted_hosts:
                return self.credentials.pair_record(self.udid)
            return None

    def trust(self, host_id, root_certificate):
        with self.lock:
            self.trusted_hosts[host_id] = root_certificate

    def knows_host(self, host_id):
        with self.lock:
            return host_id in self.trusted_hosts and not self.fails_with("pair_record_rejected")

    def tls_context(self):
        """The server side for this device's TLS connections. With
        "bad_certificate" the device trusts only the host certificate, which
        vouches for nothing the host presents, so every handshake fails."""
        if self.fails_with("bad_certificate"):
            return self.credentials.server_context([self.credentials.read("host.pem")])
        with self.lock:
            roots = sorted(set(self.trusted_hosts.values()))
        return self.credentials.server_context(roots)

    def service_uses_tls(self, service_name):
        return (self.config.tls and service_name in TLS_SERVICES
                and self.config.major_version() >= FIRST_TLS_SERVICES_VERSION)

    # -- services --------------------------------------------------------------

    def allocate_service_port(self, service_name):
        """A port for one connection to the service; with it whether that
        connection starts with a TLS handshake."""
        with self.lock:
            port = self._next_port
            self._next_port = FIRST_SERVICE_PORT + (self._next_port - FIRST_SERVICE_PORT + 1) % 10000
            secure = self.service_uses_tls(service_name)
            self._service_ports[port] = (service_name, secure)
            return port, secure

    def service_for_port(self, port):
        """(service name, TLS at connect) or None when nothing was started there."""
        if port == LOCKDOWN_PORT:
            return ("com.apple.lockdownd", False)
        with self.lock:
            # A started service accepts one connection, as on a real device.
            return self._service_ports.pop(port, None)

    # -- tunnels ---------------------------------------------------------------

    def add_tunnel(self, tunnel):
        with self.lock:
            if not self.attached:
                return False
            self._tunnels.add(tunnel)
            return True

    def remove_tunnel(self, tunnel):
        with self.lock:
            self._tunnels.discard(tunnel)

    def cut_tunnels(self):
        """Unplugging ends every connection the host has to the device."""
        with self.lock:
            tunnels = list(self._tunnels)
            self._tunnels.clear()
            self._service_ports.clear()
        for tunnel in tunnels:
            tunnel.cut()

    # -- apps ------------------------------------------------------------------

    def find_app(self, bundle_id):
        with self.lock:
            for app in self.apps:
                if app.bundle_id == bundle_id:
                    return app
            return None

    def install_app(self, bundle_id, version, display_name, executable):
        with self.lock:
            self.apps = [app for app in self.apps if app.bundle_id != bundle_id]
            raw = {"id": bundle_id, "executable": executable}
            if version is not None:
                raw["version"] = version
            if display_name is not None:
                raw["name"] = display_name
            self.apps.append(AppConfig(raw))
            self.installed.append(bundle_id)

    # -- backup data -----------------------------------------------------------

    def change_data(self, changed, removed, added):
        with self.lock:
            self.data_generation += 1
            self.backup_files = backupset.changed_data(self.backup_files, self.data_generation,
                                                       changed, removed, added)

    def snapshot_files(self):
        with self.lock:
            return list(self.backup_files)

    def count_bytes(self, size):
        with self.lock:
            self.counters["bytes_sent"] += size

    # -- reporting -------------------------------------------------------------

    def status(self):
        with self.lock:
            return {
                "udid": self.udid,
                "name": self.config.name,
                "device_id": self.device_id,
                "attached": self.attached,
                "connection": self.config.connection,
                "apps": [app.to_json() for app in self.apps],
                "installed": list(self.installed),
                "restored_files": list(self.restored_files),
                "counters": dict(self.counters),
                "media_files": self.media.files(),
                "failure": self.failure.to_json() if self.failure else None,
                "tls": self.config.tls,
                "paired": self.pair_record_data() is not None,
                "events": list(self.events),
                "will_encrypt": self.will_encrypt,
            }
