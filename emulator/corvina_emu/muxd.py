"""The usbmuxd side: the socket libusbmuxd talks to.

Every message is a 16-byte little-endian header (total length, version 1,
message type 8 = plist, tag) and an XML plist with a MessageType. After a
successful "Connect" the socket becomes a raw tunnel to a port on the device.
"""

import socket
import struct
import threading

from .framing import ConnectionClosed, parse_plist, recv_exact, send_all, to_xml
from .listening import close_listener, listen_tcp, listen_unix, parse_address
from .pairing import SYSTEM_BUID
from .tunnel import Tunnel

HEADER = struct.Struct("<IIII")
MESSAGE_PLIST = 8
RESULT_OK = 0
RESULT_BADDEV = 2
RESULT_CONNREFUSED = 3
RESULT_BADVERSION = 6

APPLE_PRODUCT_ID = 0x12A8


def swap16(value):
    return ((value & 0xFF) << 8) | ((value >> 8) & 0xFF)


def device_properties(device):
    config = device.config
    properties = {
        "ConnectionType": config.connection,
        "DeviceID": device.device_id,
        "SerialNumber": device.udid,
    }
    if config.connection == "USB":
        properties.update({"ConnectionSpeed": 480000000, "LocationID": 0x14100000 + device.device_id,
                           "ProductID": APPLE_PRODUCT_ID, "USBSerialNumber": device.udid})
    else:
        # A BSD sockaddr_in for 127.0.0.1 (length, family, port, address):
        # libimobiledevice connects straight to that address for network
        # devices, and nothing listens there, so connections fail at once.
        address = bytes([16, 2, 0, 0, 127, 0, 0, 1]) + bytes(8)
        properties.update({"EscapedFullServiceName": "%s@fe80::1._apple-mobdev2._tcp.local."
                           % device.udid, "InterfaceIndex": 2, "NetworkAddress": address})
    return properties


class MuxConnection:
    """One client connection to the emulated usbmuxd."""

    def __init__(self, server, sock):
        self.server = server
        self.sock = sock
        self.send_lock = threading.RLock()
        self.listening = False

    def log(self, text):
        self.server.log(text)

    def send_plist(self, tag, value):
        payload = to_xml(value)
        header = HEADER.pack(HEADER.size + len(payload), 1, MESSAGE_PLIST, tag)
        with self.send_lock:
            send_all(self.sock, header + payload)

    def send_result(self, tag, number):
        self.send_plist(tag, {"MessageType": "Result", "Number": number})

    # -- listener interface (called by the hub from other threads) ---------------

    def notify_attached(self, device):
        try:
            self.send_plist(0, {"MessageType": "Attached", "DeviceID": device.device_id,
                                "Properties": device_properties(device)})
        except ConnectionClosed:
            pass

    def notify_detached(self, device):
        try:
            self.send_plist(0, {"MessageType": "Detached", "DeviceID": device.device_id})
        except ConnectionClosed:
            pass

    # -- request loop ----------------------------------------------------------

    def run(self):
        try:
            while True:
                length, version, message, tag = HEADER.unpack(recv_exact(self.sock, HEADER.size))
                payload = recv_exact(self.sock, length - HEADER.size) if length > HEADER.size else b""
                if message != MESSAGE_PLIST or version != 1:
                    self.send_result(tag, RESULT_BADVERSION)
                    continue
                request = parse_plist(payload)
                if self.handle(tag, request) == "tunnel":
                    return
        except ConnectionClosed as error:
            if not self.listening:
                self.log("usbmuxd connection ended: %s" % error)
        except Exception as error:  # a malformed request ends this client only
            self.log("usbmuxd: bad request, connection closed: %r" % error)
        finally:
            if self.listening:
                self.server.hub.remove_listener(self)
            self.close()

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass

    def handle(self, tag, request):
        kind = request.get("MessageType")
        if kind == "ListDevices":
            self.send_plist(tag, {"DeviceList": [
                {"DeviceID": device.device_id, "MessageType": "Attached",
                 "Properties": device_properties(device)}
                for device in self.server.hub.attached_devices()]})
        elif kind == "Listen":
            self.listen(tag)
        elif kind == "Connect":
            return self.connect(tag, request)
        elif kind == "ReadBUID":
            self.send_plist(tag, {"BUID": SYSTEM_BUID})
        elif kind in ("ReadPairRecord", "SavePairRecord", "DeletePairRecord"):
            self.pair_record(tag, kind, request)
        else:
            self.log("usbmuxd: unsupported request %r" % kind)
            self.send_result(tag, RESULT_BADVERSION)
        return None

    def pair_record(self, tag, kind, request):
        """usbmuxd keeps the pair records of this computer; a device it has
        none for answers as unpaired."""
        device = self.server.hub.get(str(request.get("PairRecordID", "")))
        if kind == "ReadPairRecord":
            data = device.pair_record_data() if device else None
            if data is None:
                self.send_result(tag, RESULT_BADDEV)
            else:
                self.send_plist(tag, {"PairRecordData": data if isinstance(data, bytes) else to_xml(data)})
            return
        if device is not None:
            with device.lock:
                device.saved_pair_record = request.get("PairRecordData") if kind == "SavePairRecord" else None
        self.send_result(tag, RESULT_OK)

    def listen(self, tag):
        self.listening = True
        # Holding the send lock from registering until the initial "Attached"
        # messages are out keeps them ahead of any event from another thread.
        with self.send_lock:
            present = self.server.hub.add_listener(self)
            self.send_result(tag, RESULT_OK)
            for device in present:
                self.notify_attached(device)

    def connect(self, tag, request):
        device = self.server.hub.by_device_id(int(request.get("DeviceID", 0)))
        port = swap16(int(request.get("PortNumber", 0)))
        if device is None:
            self.send_result(tag, RESULT_BADDEV)
            return None
        started = device.service_for_port(port)
        if started is None:
            self.log("usbmuxd: refused connection to port %d of %s" % (port, device.udid))
            self.send_result(tag, RESULT_CONNREFUSED)
            return None
        tunnel = Tunnel(self.sock)
        if not device.add_tunnel(tunnel):
            self.send_result(tag, RESULT_BADDEV)
            return None
        self.send_result(tag, RESULT_OK)
        service, secure = started
        try:
            self.server.services.serve(service, secure, device, tunnel)
        finally:
            device.remove_tunnel(tunnel)
            tunnel.close()
        return "tunnel"


class MuxServer:
    """Accepts connections on a UNIX socket or a TCP address."""

    def __init__(self, address, hub, services, log):
        self.hub = hub
        self.services = services
        self.log = log
        self.kind, target = parse_address(address)
        self.path = self.inode = None
        if self.kind == "unix":
            self.sock, self.inode = listen_unix(target, 64)
            self.path = target
        else:
            self.sock = listen_tcp(target, 64)
        self._stopped = False

    def address(self):
        """The address to put into USBMUXD_SOCKET_ADDRESS."""
        if self.kind == "unix":
            return "UNIX:" + self.path
        host, port = self.sock.getsockname()[:2]
        return "%s:%d" % (host, port)

    def serve_forever(self):
        while not self._stopped:
            try:
                client, _ = self.sock.accept()
            except OSError:
                break
            if self.kind == "tcp":
                client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            connection = MuxConnection(self, client)
            threading.Thread(target=connection.run, daemon=True).start()

    def stop(self):
        self._stopped = True
        close_listener(self.sock, self.path, self.inode)
