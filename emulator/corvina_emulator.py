#!/usr/bin/env python3
"""Corvina device emulator: usbmuxd with emulated iPhones behind it.

The real libimobiledevice tools (idevice_id, ideviceinfo, ideviceinstaller,
idevicebackup2) and the real library work against it unchanged:

    emulator/corvina_emulator.py --config emulator/devices/demo.json \\
        --listen 127.0.0.1:27015 --control /tmp/corvina-emulator.ctl
    USBMUXD_SOCKET_ADDRESS=127.0.0.1:27015 idevice_id -l
    emulator/corvina_emulator.py --control /tmp/corvina-emulator.ctl \\
        --send '{"cmd": "detach", "udid": "..."}'

When it is ready it prints "READY <address>" on standard output (and writes
the address to --ready-file if given). It is quiet otherwise; --verbose
traces the protocol on standard error, --log appends the trace to a file.
It stops on SIGTERM, SIGINT or the control command {"cmd": "quit"}.
Every mistake in its arguments, configuration or surroundings ends it with
one line on standard error and a non-zero exit code.
"""

import argparse
import json
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
from corvina_emu.listening import SetupError  # noqa: E402
from corvina_emu.muxd import MuxServer  # noqa: E402
from corvina_emu.pairing import Credentials  # noqa: E402
from corvina_emu.services import ServiceRegistry  # noqa: E402

PROGRAM = "corvina_emulator"
EXIT_USAGE = 2
EXIT_FAILURE = 1


class ArgumentParser(argparse.ArgumentParser):
    """argparse that reports a bad argument in one line, without the usage."""

    def error(self, message):
        print("%s: %s" % (PROGRAM, message), file=sys.stderr)
        sys.exit(EXIT_USAGE)


def parse_arguments(argv):
    parser = ArgumentParser(prog=PROGRAM, description="Emulated usbmuxd and iPhones for the libimobiledevice tools.")
    parser.add_argument("--listen", default="127.0.0.1:0",
                        help='"UNIX:/path" or "127.0.0.1:PORT" (0: any free port), the USBMUXD_SOCKET_ADDRESS value')
    parser.add_argument("--config", help="JSON file with the devices (keys: corvina_emu/config.py)")
    parser.add_argument("--control", help="UNIX socket for control requests (corvina_emu/control.py)")
    parser.add_argument("--ready-file", help="file that receives the address once listening")
    parser.add_argument("--log", help="append the protocol trace to this file")
    parser.add_argument("--verbose", action="store_true", help="print the protocol trace on standard error")
    parser.add_argument("--send", metavar="JSON", help="send one request to the emulator at --control and exit")
    parser.add_argument("--exit-with", metavar="PID", type=int,
                        help="stop when process PID ends (a test program that started it)")
    return parser.parse_args(argv)


def send_control_request(path, request):
    """Client mode: one request to a running emulator's control socket.
    Prints the answer; exit code 0 only when it says "ok"."""
    if not request.strip():
        return fail("--send needs a JSON request, e.g. '{\"cmd\": \"status\"}'", EXIT_USAGE)
    try:
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
            sock.settimeout(10)
            sock.connect(path)
            sock.sendall(request.strip().encode("utf-8") + b"\n")
            line = sock.makefile("rb").readline().decode("utf-8", "replace")
    except (FileNotFoundError, ConnectionRefusedError):
        return fail("no emulator listens on %s" % path)
    except socket.timeout:
        return fail("the emulator at %s did not answer" % path)
    except OSError as error:
        return fail("cannot reach %s: %s" % (path, error.strerror or error))
    print(line, end="" if line.endswith("\n") else "\n")
    try:
        answer = json.loads(line)
    except ValueError:
        return EXIT_FAILURE
    return 0 if isinstance(answer, dict) and answer.get("ok") is True else EXIT_FAILURE


def fail(message, code=EXIT_FAILURE):
    print("%s: %s" % (PROGRAM, message), file=sys.stderr)
    return code


class Logger:
    """The protocol trace: to a file, to standard error, or nowhere."""

    def __init__(self, path, verbose):
        self.lock = threading.Lock()
        self.streams = [sys.stderr] if verbose else []
        if path:
            self.streams.append(open(path, "a", encoding="utf-8"))

    def __call__(self, text):
        if not self.streams:
            return
        line = "%s %s\n" % (time.strftime("%H:%M:%S"), text)
        with self.lock:
            for stream in self.streams:
                stream.write(line)
                stream.flush()


def process_exists(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


def write_ready_file(path, address):
    temporary = path + ".tmp"
    try:
        with open(temporary, "w", encoding="utf-8") as handle:
            handle.write(address + "\n")
        os.replace(temporary, path)
    except OSError as error:
        raise SetupError("cannot write the ready file %s: %s" % (path, error.strerror or error)) from error


def log_thread_failures(log):
    """A failure inside one connection's thread is one trace line, never a
    traceback on the user's terminal."""
    def hook(arguments):
        log("thread %s failed: %r" % (arguments.thread.name if arguments.thread else "?", arguments.exc_value))
    threading.excepthook = hook


def main(argv):
    arguments = parse_arguments(argv)
    if arguments.send is not None:
        if not arguments.control:
            return fail("--send needs --control PATH", EXIT_USAGE)
        return send_control_request(arguments.control, arguments.send)

    stop = threading.Event()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signal_number, lambda *_: stop.set())
    try:
        log = Logger(arguments.log, arguments.verbose)
    except OSError as error:
        return fail("cannot open the log %s: %s" % (arguments.log, error.strerror or error))
    log_thread_failures(log)
    try:
        configs = load_devices(arguments.config) if arguments.config else []
    except OSError as error:
        return fail("cannot read %s: %s" % (arguments.config, error.strerror or error))
    except (ValueError, ConfigError) as error:
        return fail("bad configuration %s: %s" % (arguments.config, error))

    running = None
    try:
        running = RunningEmulator(arguments.listen, configs, arguments.control, log, stop.set)
        address = running.address
        if arguments.ready_file:
            write_ready_file(arguments.ready_file, address)
    except SetupError as error:
        if running is not None:
            running.stop()
        return fail(str(error))
    except OSError as error:
        if running is not None:
            running.stop()
        return fail("cannot start: %s" % (error.strerror or error))

    log("listening on %s" % address)
    print("READY %s" % address, flush=True)
    while not stop.wait(0.2):
        if arguments.exit_with and not process_exists(arguments.exit_with):
            log("process %d ended" % arguments.exit_with)
            break
    log("stopping")
    running.stop()
    return 0


class RunningEmulator:
    """usbmuxd at `listen` with the configured devices behind it and, with
    `control_path`, the control socket, each served by a thread of its own.
    Raises SetupError or OSError when a part cannot start, after stopping
    the parts that did. The program runs one; its tests run one in-process."""

    def __init__(self, listen, configs, control_path, log, on_quit):
        self.hub = self.mux = self.control = self.credentials = None
        try:
            self.hub = DeviceHub(log)
            self.mux = MuxServer(listen, self.hub, ServiceRegistry(self.hub, log), log)
            if control_path:
                self.control = ControlServer(control_path, self.hub, on_quit, log)
            self.credentials = self.hub.credentials = Credentials.create()
            for config in configs:
                self.hub.add(config)
            threading.Thread(target=self.mux.serve_forever, daemon=True).start()
            if self.control:
                threading.Thread(target=self.control.serve_forever, daemon=True).start()
            self.address = self.mux.address()
        except BaseException:
            self.stop()
            raise

    def stop(self):
        for part in (self.control, self.mux):
            if part is not None:
                part.stop()
        if self.hub is not None:
            self.hub.shutdown()
        if self.credentials is not None:
            self.credentials.remove()
        self.hub = self.mux = self.control = self.credentials = None


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
