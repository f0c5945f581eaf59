"""Which handler serves a tunnel to a device port."""

from .afc import AfcService
from .backup2 import MobileBackup2
from .instproxy import InstallationProxy
from .lockdownd import Lockdownd
from .notifyproxy import NotificationProxy, SpringBoardServices

LOCKDOWN = "com.apple.lockdownd"


class ServiceRegistry:
    def __init__(self, hub, log):
        self.hub = hub
        self.log = log
        self._factories = {
            LOCKDOWN: lambda device, sock: Lockdownd(self, device, sock),
            "com.apple.afc": AfcService,
            "com.apple.mobile.installation_proxy": InstallationProxy,
            "com.apple.mobile.notification_proxy": NotificationProxy,
            "com.apple.springboardservices": SpringBoardServices,
            "com.apple.mobilebackup2": lambda device, sock: MobileBackup2(self.hub, device, sock, self.log),
        }

    def knows(self, service):
        return service in self._factories and service != LOCKDOWN

    def serve(self, service, device, sock):
        self.log("%s: %s connected" % (device.udid, service))
        try:
            self._factories[service](device, sock).serve()
        except Exception as error:  # one broken conversation must not stop the emulator
            self.log("%s: %s failed: %r" % (device.udid, service, error))
        finally:
            self.log("%s: %s closed" % (device.udid, service))
