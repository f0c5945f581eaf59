"""Listening sockets that never take a path or port away from another process."""

import errno
import os
import socket
import stat


class SetupError(Exception):
    """The emulator cannot start as asked; the text is the one line to show."""


def parse_address(address):
    """"UNIX:/path" or "host:port" (the USBMUXD_SOCKET_ADDRESS forms)."""
    if address.startswith("UNIX:"):
        if not address[5:]:
            raise SetupError("UNIX: needs a path, e.g. UNIX:/tmp/corvina-usbmuxd")
        return ("unix", address[5:])
    host, _, port = address.rpartition(":")
    if not host or not port.isdigit() or int(port) > 65535:
        raise SetupError("address must be UNIX:/path or host:port with a port up to 65535, not %r" % address)
    return ("tcp", (host.strip("[]"), int(port)))


def claim_unix_path(path):
    """Makes `path` free for a new UNIX socket. A socket that another live
    process listens on, or anything that is not a socket, is refused (unlinking
    it would orphan that process, or lose a file); a stale socket is removed."""
    try:
        mode = os.lstat(path).st_mode
    except FileNotFoundError:
        return
    except OSError as error:
        raise SetupError("cannot use %s: %s" % (path, error.strerror)) from error
    if not stat.S_ISSOCK(mode):
        raise SetupError("%s exists and is not a socket; not replacing it" % path)
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    probe.settimeout(2)
    try:
        probe.connect(path)
    except ConnectionRefusedError:
        os.unlink(path)  # nobody listens: left behind by an ended process
        return
    except OSError as error:
        raise SetupError("cannot use %s: %s" % (path, error.strerror or error)) from error
    finally:
        probe.close()
    raise SetupError("another process listens on %s; not taking it over" % path)


def listen_unix(path, backlog):
    claim_unix_path(path)
    folder = os.path.dirname(path) or "."
    if not os.path.isdir(folder):
        raise SetupError("cannot listen on %s: the folder %s does not exist" % (path, folder))
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        sock.bind(path)
        sock.listen(backlog)
    except OSError as error:
        sock.close()
        raise SetupError("cannot listen on %s: %s" % (path, error.strerror or error)) from error
    return sock, os.stat(path).st_ino


def listen_tcp(address, backlog):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.bind(address)
        sock.listen(backlog)
    except (OSError, OverflowError) as error:
        sock.close()
        reason = "the port is taken" if getattr(error, "errno", None) == errno.EADDRINUSE else (
            getattr(error, "strerror", None) or error)
        raise SetupError("cannot listen on %s:%d: %s" % (address[0], address[1], reason)) from error
    return sock


def close_listener(sock, path=None, inode=None):
    """Stops listening; the socket file goes only while it is still ours."""
    try:
        sock.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    sock.close()
    if path:
        try:
            if os.stat(path).st_ino == inode:
                os.unlink(path)
        except OSError:
            pass
