"""Which handler serves a tunnel to a device port."""

from .afc import AfcService
from .backup2 import MobileBackup2
from .framing import ConnectionClosed
from .instproxy import InstallationProxy
from .lockdownd import Lockdownd
from .notifyproxy import NotificationProxy, SpringBoardServices

LOCKDOWN = "com.apple.lockdownd"


class ServiceRegistry:
    def __init__(self, hub, log):
        self.hub = hub
        self.log = log
        self._factories = {
            LOCKDOWN: lambda device, tunnel: Lockdownd(self, device, tunnel),
            "com.apple.afc": AfcService,
            "com.apple.mobile.installation_proxy": InstallationProxy,
            "com.apple.mobile.notification_proxy": NotificationProxy,
            "com.apple.springboardservices": SpringBoardServices,
            "com.apple.mobilebackup2": lambda device, sock: MobileBackup2(self.hub, device, sock, self.log),
        }

    def knows(self, service):
        return service in self._factories and service != LOCKDOWN

    def serve(self, service, secure, device, tunnel):
        """Runs the service's conversation on the tunnel until either side
        ends it; `secure`: the host starts with a TLS handshake."""
        self.log("%s: %s connected%s" % (device.udid, service, " (TLS)" if secure else ""))
        try:
            if service == LOCKDOWN:
                self._factories[service](device, tunnel).serve()
                return
            if secure:
                tunnel.start_tls(device.tls_context())
            self._factories[service](device, tunnel.sock).serve()
        except ConnectionClosed as error:
            self.log("%s: %s: %s" % (device.udid, service, error))
        except Exception as error:  # one broken conversation must not stop the emulator
            self.log("%s: %s failed: %r" % (device.udid, service, error))
        finally:
            self.log("%s: %s closed" % (device.udid, service))
