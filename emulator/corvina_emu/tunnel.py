"""A connection from the host to one port of a device, plain or TLS."""

import socket
import ssl
import threading

from .framing import ConnectionClosed


class Tunnel:
    """Holds the socket a service talks through. The socket changes when the
    connection switches to TLS or back; unplugging the device cuts whichever
    is current."""

    def __init__(self, sock):
        self._sock = sock
        self._lock = threading.Lock()

    @property
    def sock(self):
        with self._lock:
            return self._sock

    def start_tls(self, context):
        """Takes the device's side of the handshake the host starts now;
        raises ConnectionClosed when it fails (the socket is then closed)."""
        try:
            wrapped = context.wrap_socket(self.sock, server_side=True)
        except (ssl.SSLError, OSError) as error:
            raise ConnectionClosed("TLS handshake failed: %s" % error) from error
        with self._lock:
            self._sock = wrapped

    def stop_tls(self):
        """Back to plain bytes after both sides closed the TLS layer."""
        try:
            plain = self.sock.unwrap()
        except (ssl.SSLError, OSError, ValueError) as error:
            raise ConnectionClosed("TLS shutdown failed: %s" % error) from error
        with self._lock:
            self._sock = plain

    def cut(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass
