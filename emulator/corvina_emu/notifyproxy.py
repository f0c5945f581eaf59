"""notification_proxy and springboardservices, as far as the tools use them."""

from .framing import PlistService


class NotificationProxy(PlistService):
    """Takes posts and observations; answers "Shutdown" with "ProxyDeath".

    Without that answer np_client_free waits 30 seconds for it.
    """

    def handle(self, message):
        if not isinstance(message, dict):
            return True
        command = message.get("Command")
        if command == "PostNotification":
            self.device.note("notification %s" % message.get("Name"))
        elif command == "Shutdown":
            self.channel.send({"Command": "ProxyDeath"})
            return False
        return True


class SpringBoardServices(PlistService):
    """Only icon requests matter to idevicebackup2; no icons are served."""

    def handle(self, message):
        if isinstance(message, dict) and message.get("command") == "getIconPNGData":
            self.channel.send({"pngData": b""})
        else:
            self.channel.send({})
        return True
