"""Test helpers: run the emulator as its own process and the real tools
against it, every step bounded in time."""

import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
EMULATOR_DIR = os.path.join(os.path.dirname(os.path.dirname(HERE)), "emulator")
EMULATOR = os.path.join(EMULATOR_DIR, "corvina_emulator.py")
sys.path.insert(0, EMULATOR_DIR)  # the tests import the emulator's package
TOOLS = ("idevice_id", "ideviceinfo", "ideviceinstaller", "idevicebackup2")
SKIP_EXIT_CODE = 77
TOOL_TIMEOUT = 60


def missing_tools():
    return [tool for tool in TOOLS if shutil.which(tool) is None]


def main_skipping_without_tools():
    """Entry point of a test module that needs the Debian tools: without
    them it says so and exits with the code CTest counts as skipped."""
    missing = missing_tools()
    if missing:
        print("SKIP: the libimobiledevice tools are not installed (%s missing); "
              "scripts/install-deps installs them." % ", ".join(missing))
        sys.exit(SKIP_EXIT_CODE)
    unittest.main(verbosity=2)


def device(udid, **settings):
    """A device entry for the configuration file."""
    entry = {"udid": udid}
    entry.update(settings)
    return entry


class Emulator:
    """The emulator process with its own folder, socket and control socket."""

    def __init__(self, devices, transport="tcp"):
        self.folder = tempfile.mkdtemp(prefix="corvina-emulator-")
        self.config_path = os.path.join(self.folder, "devices.json")
        self.control_path = os.path.join(self.folder, "control.sock")
        self.ready_path = os.path.join(self.folder, "ready")
        self.log_path = os.path.join(self.folder, "emulator.log")
        with open(self.config_path, "w", encoding="utf-8") as handle:
            json.dump({"devices": devices}, handle, ensure_ascii=False)
        listen = "127.0.0.1:0" if transport == "tcp" else "UNIX:" + os.path.join(self.folder, "usbmuxd")
        self.process = subprocess.Popen(
            [sys.executable, "-B", EMULATOR, "--config", self.config_path, "--listen", listen,
             "--control", self.control_path, "--ready-file", self.ready_path, "--log", self.log_path],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            self.address = self._wait_ready(10.0)
        except RuntimeError:
            self.stop()
            raise

    def _wait_ready(self, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if os.path.exists(self.ready_path):
                with open(self.ready_path, encoding="utf-8") as handle:
                    return handle.read().strip()
            if self.process.poll() is not None:
                raise RuntimeError("emulator ended: %s" % self.process.stderr.read().decode("utf-8", "replace"))
            time.sleep(0.05)
        raise RuntimeError("emulator not ready within %.0f s" % seconds)

    def env(self):
        env = dict(os.environ)
        env["USBMUXD_SOCKET_ADDRESS"] = self.address
        return env

    def control(self, request):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
            sock.settimeout(10)
            sock.connect(self.control_path)
            sock.sendall(json.dumps(request).encode("utf-8") + b"\n")
            answer = json.loads(sock.makefile("rb").readline().decode("utf-8"))
        if not answer.get("ok"):
            raise RuntimeError("control request %r failed: %r" % (request, answer))
        return answer

    def status(self, udid):
        return self.control({"cmd": "status", "udid": udid})["device"]

    def wait_for(self, udid, predicate, seconds=10.0):
        """Polls the device's status until predicate(status) holds."""
        deadline = time.monotonic() + seconds
        status = self.status(udid)
        while not predicate(status) and time.monotonic() < deadline:
            time.sleep(0.1)
            status = self.status(udid)
        return predicate(status)

    def log_text(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as handle:
                return handle.read()
        except OSError:
            return ""

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)
        self.process.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()


class ToolRun:
    def __init__(self, returncode, stdout, stderr):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr

    def __repr__(self):
        return "exit %r\n--- stdout\n%s\n--- stderr\n%s" % (self.returncode, self.stdout, self.stderr)


def run_tool(emulator, arguments, timeout=TOOL_TIMEOUT):
    """Runs a tool to its end (killed after `timeout` seconds)."""
    completed = subprocess.run(arguments, env=emulator.env(), stdin=subprocess.DEVNULL,
                               capture_output=True, timeout=timeout)
    return ToolRun(completed.returncode, completed.stdout.decode("utf-8", "replace"),
                   completed.stderr.decode("utf-8", "replace"))


def start_tool(emulator, arguments, stdout_path):
    """Starts a tool in the background with its output in a file."""
    with open(stdout_path, "wb") as out:
        return subprocess.Popen(arguments, env=emulator.env(), stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.STDOUT)


def finished_percentages(stdout):
    """The numbers in front of each "Finished", read as the program does:
    the four characters that begin six characters before the word."""
    values = []
    position = stdout.find("Finished")
    while position >= 0:
        field = stdout[max(0, position - 6):position - 2]
        values.append(int(field.strip()))
        position = stdout.find("Finished", position + 1)
    return values
