"""One emulated device: its configuration, storage, apps and counters."""

import socket
import threading

from .config import AppConfig
from .vfs import VirtualFileSystem

LOCKDOWN_PORT = 62078
FIRST_SERVICE_PORT = 49152


class Device:
    def __init__(self, config):
        self.config = config
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
        }
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

    # -- services --------------------------------------------------------------

    def allocate_service_port(self, service_name):
        with self.lock:
            port = self._next_port
            self._next_port = FIRST_SERVICE_PORT + (self._next_port - FIRST_SERVICE_PORT + 1) % 10000
            self._service_ports[port] = service_name
            return port

    def service_for_port(self, port):
        if port == LOCKDOWN_PORT:
            return "com.apple.lockdownd"
        with self.lock:
            # A started service accepts one connection, as on a real device.
            return self._service_ports.pop(port, None)

    # -- tunnels ---------------------------------------------------------------

    def add_tunnel(self, sock):
        with self.lock:
            if not self.attached:
                return False
            self._tunnels.add(sock)
            return True

    def remove_tunnel(self, sock):
        with self.lock:
            self._tunnels.discard(sock)

    def cut_tunnels(self):
        """Unplugging ends every connection the host has to the device."""
        with self.lock:
            tunnels = list(self._tunnels)
            self._tunnels.clear()
            self._service_ports.clear()
        for sock in tunnels:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

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
                "events": list(self.events),
            }
