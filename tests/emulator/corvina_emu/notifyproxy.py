"""notification_proxy and springboardservices, as far as the tools use them."""

from .framing import ConnectionClosed, PlistChannel


class NotificationProxy:
    """Takes posts and observations; answers "Shutdown" with "ProxyDeath".

    Without that answer np_client_free waits 30 seconds for it.
    """

    def __init__(self, device, sock):
        self.device = device
        self.channel = PlistChannel(sock)

    def serve(self):
        try:
            while True:
                message = self.channel.receive()
                if not isinstance(message, dict):
                    continue
                command = message.get("Command")
                if command == "PostNotification":
                    self.device.note("notification %s" % message.get("Name"))
                elif command == "Shutdown":
                    self.channel.send({"Command": "ProxyDeath"})
                    return
        except ConnectionClosed:
            pass


class SpringBoardServices:
    """Only icon requests matter to idevicebackup2; no icons are served."""

    def __init__(self, device, sock):
        self.device = device
        self.channel = PlistChannel(sock)

    def serve(self):
        try:
            while True:
                message = self.channel.receive()
                if isinstance(message, dict) and message.get("command") == "getIconPNGData":
                    self.channel.send({"pngData": b""})
                else:
                    self.channel.send({})
        except ConnectionClosed:
            pass
