"""The set of emulated devices and the usbmuxd listeners that watch them."""

import threading

from .device import Device


class DeviceHub:
    """Attaches and detaches devices and tells every Listen connection.

    usbmuxd gives a device a new DeviceID each time it is plugged in, sends
    "Attached" with its properties to every listener, and on unplugging sends
    "Detached" and drops every connection to the device.
    """

    def __init__(self, log):
        self.log = log
        self.credentials = None     # pairing.Credentials, set before the first device is added
        self._lock = threading.RLock()
        self._devices = {}
        self._next_device_id = 1
        self._listeners = []        # objects with notify_attached/notify_detached
        self._timers = []

    # -- devices -----------------------------------------------------------

    def add(self, config):
        with self._lock:
            if config.udid in self._devices:
                raise ValueError("device %s exists already" % config.udid)
            device = Device(config, self.credentials)
            device.unplug = lambda: self.detach(config.udid)
            self._devices[config.udid] = device
        if config.attached:
            self.attach(config.udid)
        return device

    def get(self, udid):
        with self._lock:
            return self._devices.get(udid)

    def devices(self):
        with self._lock:
            return list(self._devices.values())

    def attached_devices(self):
        return [device for device in self.devices() if device.attached]

    def by_device_id(self, device_id):
        for device in self.attached_devices():
            if device.device_id == device_id:
                return device
        return None

    # -- plugging --------------------------------------------------------------

    def attach(self, udid):
        device = self.get(udid)
        if device is None:
            return False
        with self._lock:
            with device.lock:
                if device.attached:
                    return True
                device.device_id = self._next_device_id
                self._next_device_id += 1
                device.attached = True
            listeners = list(self._listeners)
        self.log("attach %s as device %d" % (udid, device.device_id))
        device.note("attached")
        for listener in listeners:
            listener.notify_attached(device)
        return True

    def detach(self, udid, cut=True):
        device = self.get(udid)
        if device is None:
            return False
        with self._lock:
            with device.lock:
                if not device.attached:
                    return True
                device.attached = False
            listeners = list(self._listeners)
        self.log("detach %s (device %d)" % (udid, device.device_id))
        device.note("detached")
        if cut:
            device.cut_tunnels()
        for listener in listeners:
            listener.notify_detached(device)
        return True

    def reboot(self, udid, delay):
        """The device is gone for `delay` seconds, then back; its "reboots"
        counter grows once it is back, so a test waiting for it sees the
        whole reboot behind it."""
        self.detach(udid)
        self.later(delay, self._finish_reboot, udid)

    def _finish_reboot(self, udid):
        self.attach(udid)
        device = self.get(udid)
        device.count("reboots")

    def later(self, delay, action, *arguments):
        """Runs action(*arguments) after `delay` seconds unless the emulator stops first."""
        timer = threading.Timer(delay, action, args=arguments)
        timer.daemon = True
        with self._lock:
            self._timers.append(timer)
        timer.start()

    # -- listeners -------------------------------------------------------------

    def add_listener(self, listener):
        """Registers a listener and returns the devices present right now;
        both happen under the hub's lock so that no event is lost or doubled."""
        with self._lock:
            self._listeners.append(listener)
            return self.attached_devices()

    def remove_listener(self, listener):
        with self._lock:
            if listener in self._listeners:
                self._listeners.remove(listener)

    def shutdown(self):
        with self._lock:
            timers = list(self._timers)
        for timer in timers:
            timer.cancel()
        for device in self.devices():
            device.cut_tunnels()
