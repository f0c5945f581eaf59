#!/usr/bin/env python3
"""Corvina device emulator.

Emulates usbmuxd with one or more iPhones behind it, so that the real
libimobiledevice tools (idevice_id, ideviceinfo, ideviceinstaller,
idevicebackup2) and the real libimobiledevice library work against it:

    tests/emulator/corvina_emulator.py --config tests/emulator/devices/modern.json \\
        --listen 127.0.0.1:27015 --control /tmp/corvina-emulator.ctl
    USBMUXD_SOCKET_ADDRESS=127.0.0.1:27015 idevice_id -l
    tests/emulator/corvina_emulator.py --control /tmp/corvina-emulator.ctl \\
        --send '{"cmd": "detach", "udid": "..."}'

When it is ready it prints "READY <address>" on standard output (and writes
the address to --ready-file if given). It stops on SIGTERM, SIGINT or the
control command {"cmd": "quit"}.
"""

import argparse
import os
import signal
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from corvina_emu.config import ConfigError, load_devices  # noqa: E402
from corvina_emu.control import ControlServer  # noqa: E402
from corvina_emu.hub import DeviceHub  # noqa: E402
from corvina_emu.muxd import MuxServer  # noqa: E402
from corvina_emu.services import ServiceRegistry  # noqa: E402


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Emulated usbmuxd and iPhones for Corvina's tests.")
    parser.add_argument("--listen", default="127.0.0.1:0",
                        help='"UNIX:/path" or "127.0.0.1:PORT" (port 0 picks a free one); '
                             "this is the value for USBMUXD_SOCKET_ADDRESS")
    parser.add_argument("--config", help="JSON file with the devices (see corvina_emu/config.py)")
    parser.add_argument("--control", help="UNIX socket path for control commands")
    parser.add_argument("--ready-file", help="file that receives the address once listening")
    parser.add_argument("--log", help="append a trace to this file (default: standard error)")
    parser.add_argument("--quiet", action="store_true", help="no trace at all")
    parser.add_argument("--send", metavar="JSON",
                        help="send one control request to the emulator at --control, print the answer and exit")
    return parser.parse_args(argv)


def send_control_request(path, request):
    """Client mode: one request to a running emulator's control socket."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
        sock.settimeout(10)
        sock.connect(path)
        sock.sendall(request.strip().encode("utf-8") + b"\n")
        answer = sock.makefile("rb").readline().decode("utf-8")
    print(answer, end="")
    return 0 if '"ok": true' in answer else 1


class Logger:
    def __init__(self, path, quiet):
        self.lock = threading.Lock()
        self.quiet = quiet
        self.stream = open(path, "a", encoding="utf-8") if path else sys.stderr

    def __call__(self, text):
        if self.quiet:
            return
        with self.lock:
            self.stream.write("%s %s\n" % (time.strftime("%H:%M:%S"), text))
            self.stream.flush()


def write_ready_file(path, address):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as handle:
        handle.write(address + "\n")
    os.replace(temporary, path)


def main(argv):
    arguments = parse_arguments(argv)
    if arguments.send:
        if not arguments.control:
            print("corvina_emulator: --send needs --control", file=sys.stderr)
            return 2
        return send_control_request(arguments.control, arguments.send)
    log = Logger(arguments.log, arguments.quiet)
    try:
        configs = load_devices(arguments.config) if arguments.config else []
    except (OSError, ValueError, ConfigError) as error:
        print("corvina_emulator: bad configuration: %s" % error, file=sys.stderr)
        return 2

    hub = DeviceHub(log)
    registry = ServiceRegistry(hub, log)
    try:
        mux = MuxServer(arguments.listen, hub, registry, log)
    except (OSError, ValueError) as error:
        print("corvina_emulator: cannot listen on %s: %s" % (arguments.listen, error), file=sys.stderr)
        return 2
    for config in configs:
        hub.add(config)

    stop = threading.Event()
    control = None
    if arguments.control:
        control = ControlServer(arguments.control, hub, stop.set, log)
        threading.Thread(target=control.serve_forever, daemon=True).start()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signal_number, lambda *_: stop.set())

    threading.Thread(target=mux.serve_forever, daemon=True).start()
    address = mux.address()
    if arguments.ready_file:
        write_ready_file(arguments.ready_file, address)
    log("listening on %s" % address)
    print("READY %s" % address, flush=True)

    while not stop.wait(0.2):
        pass
    log("stopping")
    if control:
        control.stop()
    mux.stop()
    hub.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
