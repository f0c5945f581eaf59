"""The control socket: plug devices in and out while the emulator runs.

A UNIX socket; each request is one line with a JSON object, each answer one
line of JSON with "ok" true, or "ok" false and an "error" that says why:

    {"cmd": "attach", "udid": "..."}       plug a known device in
    {"cmd": "detach", "udid": "..."}       unplug it
        "keep_connections": true leaves its open connections alone, as a
        hub that drops the device from usbmuxd's list for a moment does
    {"cmd": "add", "device": {...}}        add a device (same keys as the file)
    {"cmd": "set_fail", "udid": "...", "fail": {...} or null}
    {"cmd": "change_data", "udid": "...", "changed": 1, "removed": 1, "added": 1}
        the device's backup data changes: files get new contents, are
        deleted, appear (each count optional, default 1)
    {"cmd": "status"}                      every device with its counters
    {"cmd": "status", "udid": "..."}       one device
    {"cmd": "quit"}                        stop the emulator
"""

import json
import threading

from .config import ConfigError, DeviceConfig, FailureConfig
from .listening import close_listener, listen_unix


class RequestError(Exception):
    """A request that cannot be carried out; the text is the answer's reason."""


class ControlServer:
    def __init__(self, path, hub, on_quit, log):
        self.path = path
        self.hub = hub
        self.on_quit = on_quit
        self.log = log
        self.sock, self.inode = listen_unix(path, 8)

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
                answer = self.answer(line)
                try:
                    stream.write(json.dumps(answer, ensure_ascii=False).encode("utf-8") + b"\n")
                    stream.flush()
                except OSError:
                    return
                if answer.get("quitting"):
                    self.on_quit()
                    return

    def answer(self, line):
        try:
            request = json.loads(line.decode("utf-8"))
        except ValueError as error:
            return {"ok": False, "error": "not JSON: %s" % error}
        if not isinstance(request, dict):
            return {"ok": False, "error": "a request is a JSON object with \"cmd\""}
        try:
            return self.perform(request)
        except (RequestError, ConfigError) as error:
            return {"ok": False, "error": str(error)}
        except ValueError as error:  # the hub refusing, e.g. a second device with one udid
            return {"ok": False, "error": str(error)}

    def perform(self, request):
        command = request.get("cmd")
        self.log("control: %r" % (command,))
        if command == "attach":
            self.hub.attach(self._device(request).udid)
            return {"ok": True}
        if command == "detach":
            self.hub.detach(self._device(request).udid, cut=request.get("keep_connections") is not True)
            return {"ok": True}
        if command == "add":
            raw = request.get("device")
            if not isinstance(raw, dict):
                raise RequestError("add needs \"device\": an object with at least \"udid\"")
            device = self.hub.add(DeviceConfig(raw))
            return {"ok": True, "device": device.status()}
        if command == "set_fail":
            device = self._device(request)
            if "fail" not in request:
                raise RequestError("set_fail needs \"fail\": an object, or null for none")
            fail = request["fail"]
            device.failure = FailureConfig(fail) if fail is not None else None
            return {"ok": True}
        if command == "change_data":
            counts = [request.get(key, 1) for key in ("changed", "removed", "added")]
            if not all(isinstance(count, int) and not isinstance(count, bool) and count >= 0 for count in counts):
                raise RequestError("change_data: changed, removed and added are whole numbers from 0")
            self._device(request).change_data(*counts)
            return {"ok": True}
        if command == "status":
            if "udid" in request:
                return {"ok": True, "device": self._device(request).status()}
            return {"ok": True, "devices": [device.status() for device in self.hub.devices()]}
        if command == "quit":
            return {"ok": True, "quitting": True}
        return {"ok": False, "error": "unknown command %r (attach, detach, add, set_fail, change_data, status, quit)"
                % (command,)}

    def _device(self, request):
        udid = request.get("udid")
        if not isinstance(udid, str) or not udid:
            raise RequestError("%s needs \"udid\"" % request.get("cmd"))
        device = self.hub.get(udid)
        if device is None:
            raise RequestError("no device with udid %s" % udid)
        return device

    def stop(self):
        close_listener(self.sock, self.path, self.inode)
