"""Byte-level framing shared by the emulated services."""

import plistlib
import struct


class ConnectionClosed(Exception):
    """The peer closed the connection (or the device was unplugged)."""


def recv_exact(sock, length):
    """Reads exactly `length` bytes or raises ConnectionClosed."""
    chunks = []
    remaining = length
    while remaining > 0:
        try:
            chunk = sock.recv(min(remaining, 1 << 20))
        except OSError as error:
            raise ConnectionClosed(str(error)) from error
        if not chunk:
            raise ConnectionClosed("peer closed the connection")
        chunks.append(chunk)
        remaining -= len(chunk)
    return b"".join(chunks)


def send_all(sock, data):
    try:
        sock.sendall(data)
    except OSError as error:
        raise ConnectionClosed(str(error)) from error


def recv_be32(sock):
    return struct.unpack(">I", recv_exact(sock, 4))[0]


def pack_be32(value):
    return struct.pack(">I", value)


def to_xml(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_XML)


def to_binary(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_BINARY, sort_keys=False)


def parse_plist(data):
    """Parses an XML or binary property list; libimobiledevice sends both."""
    # The library replaces control characters in XML by blanks before parsing;
    # do the same so that names with odd characters survive.
    if data.startswith(b"<?xml"):
        data = bytes(b if b >= 0x20 or b in (0x09, 0x0A, 0x0D) else 0x20 for b in data)
    return plistlib.loads(data)


class PlistChannel:
    """A service connection framed as a 4-byte big-endian length and a plist.

    lockdownd, installation_proxy, notification_proxy, springboardservices
    and mobilebackup2 (DeviceLink) all use this framing.
    """

    def __init__(self, sock, binary=False):
        self.sock = sock
        self.binary = binary

    def receive(self):
        length = recv_be32(self.sock)
        return parse_plist(recv_exact(self.sock, length))

    def send(self, value):
        payload = to_binary(value) if self.binary else to_xml(value)
        send_all(self.sock, pack_be32(len(payload)) + payload)

    def recv_raw(self, length):
        return recv_exact(self.sock, length)

    def send_raw(self, data):
        send_all(self.sock, data)


class PlistService:
    """A device service that answers plists until the host hangs up.

    Subclasses implement handle(message); returning False ends the
    conversation (after a "Goodbye" or "Shutdown")."""

    binary = False

    def __init__(self, device, sock):
        self.device = device
        self.channel = PlistChannel(sock, binary=self.binary)

    def serve(self):
        try:
            while True:
                if self.handle(self.channel.receive()) is False:
                    return
        except ConnectionClosed:
            pass

    def handle(self, message):
        raise NotImplementedError
