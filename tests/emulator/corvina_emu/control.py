"""The control socket: tests plug devices in and out while the emulator runs.

A UNIX socket; each request is one line of JSON, each answer one line of
JSON with "ok" true or false:

    {"cmd": "attach", "udid": "..."}       plug a known device in
    {"cmd": "detach", "udid": "..."}       unplug it
    {"cmd": "add", "device": {...}}        add a device (same keys as the file)
    {"cmd": "set_fail", "udid": "...", "fail": {...} or null}
    {"cmd": "status"}                      every device with its counters
    {"cmd": "status", "udid": "..."}       one device
    {"cmd": "quit"}                        stop the emulator
"""

import json
import os
import socket
import threading

from .config import ConfigError, DeviceConfig, FailureConfig


class ControlServer:
    def __init__(self, path, hub, on_quit, log):
        self.path = path
        self.hub = hub
        self.on_quit = on_quit
        self.log = log
        if os.path.exists(path):
            os.unlink(path)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.bind(path)
        self.sock.listen(8)

    def serve_forever(self):
        while True:
            try:
                client, _ = self.sock.accept()
            except OSError:
                return
            threading.Thread(target=self.serve_client, args=(client,), daemon=True).start()

    def serve_client(self, client):
        with client, client.makefile("rwb") as stream:
            for line in stream:
                if not line.strip():
                    continue
                try:
                    answer = self.perform(json.loads(line.decode("utf-8")))
                except (ValueError, ConfigError, KeyError, TypeError) as error:
                    answer = {"ok": False, "error": str(error)}
                stream.write(json.dumps(answer, ensure_ascii=False).encode("utf-8") + b"\n")
                stream.flush()
                if answer.get("quitting"):
                    self.on_quit()
                    return

    def perform(self, request):
        command = request.get("cmd")
        self.log("control: %s" % command)
        if command == "attach":
            return {"ok": self.hub.attach(request["udid"])}
        if command == "detach":
            return {"ok": self.hub.detach(request["udid"])}
        if command == "add":
            device = self.hub.add(DeviceConfig(request["device"]))
            return {"ok": True, "device": device.status()}
        if command == "set_fail":
            device = self._device(request["udid"])
            fail = request.get("fail")
            device.failure = FailureConfig(fail) if fail else None
            return {"ok": True}
        if command == "status":
            if request.get("udid"):
                return {"ok": True, "device": self._device(request["udid"]).status()}
            return {"ok": True, "devices": [device.status() for device in self.hub.devices()]}
        if command == "quit":
            return {"ok": True, "quitting": True}
        return {"ok": False, "error": "unknown command %r" % command}

    def _device(self, udid):
        device = self.hub.get(udid)
        if device is None:
            raise KeyError("no device %s" % udid)
        return device

    def stop(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()
        if os.path.exists(self.path):
            os.unlink(self.path)
