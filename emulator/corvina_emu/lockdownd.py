"""lockdownd on port 62078: identity values, pairing, sessions and service start.

As on a real device, StartSession answers EnableSessionSSL true and the
connection switches to TLS right after that answer (the host starts the
handshake), and back to plain bytes after StopSession's answer. A device
configured with "tls": false keeps the whole conversation plain.
"""

import uuid

from .framing import PlistChannel, PlistService
from .pairing import escrow_bag


def identity_values(device):
    """The values GetValue serves without a domain."""
    config = device.config
    values = {
        "ActivationState": "Activated",
        "BasebandVersion": "1.00.00",
        "BluetoothAddress": "a4:c3:f0:00:00:02",
        "BuildVersion": config.build_version,
        "CPUArchitecture": "arm64e",
        "DeviceClass": "iPad" if config.product_type.startswith("iPad") else "iPhone",
        "DeviceColor": "1",
        "DeviceName": config.name,
        "DevicePublicKey": device.credentials.device_public_key(),
        "HardwareModel": "D63AP",
        "PasswordProtected": False,
        "ProductName": "iPhone OS",
        "ProductType": config.product_type,
        "ProductVersion": config.product_version,
        "ProtocolVersion": "2",
        "SerialNumber": config.serial_number,
        "TimeZone": "Europe/Berlin",
        "UniqueChipID": int(uuid.uuid5(uuid.NAMESPACE_OID, device.udid).int % (1 << 48)),
        "UniqueDeviceID": device.udid,
        "WiFiAddress": "a4:c3:f0:00:00:01",
    }
    values.update(config.values)
    if device.fails_with("refuse_udid"):
        values.pop("UniqueDeviceID", None)
    return values


def domain_values(device, domain):
    values = DOMAIN_VALUES.get(domain)
    if domain == "com.apple.mobile.backup":
        with device.lock:
            encrypted = device.will_encrypt
        values = {"WillEncrypt": encrypted, "RequiresEncrypt": encrypted}
    elif domain == "com.apple.disk_usage":
        # The data in use is what the device's backup sends (backup.files of backup.file_size).
        used = device.config.backup.files * device.config.backup.file_size
        values = dict(values, TotalDataCapacity=DATA_CAPACITY, TotalDataAvailable=DATA_CAPACITY - used)
    return values


DATA_CAPACITY = 120000000000


DOMAIN_VALUES = {
    "com.apple.mobile.iTunes": {"MinITunesVersion": "10.0.1"},
    "com.apple.iTunes": {},
    "com.apple.disk_usage": {"TotalDiskCapacity": 128000000000},
    "com.apple.mobile.battery": {"BatteryCurrentCapacity": 80, "BatteryIsCharging": True},
}


class DeviceUnpluggedNow(Exception):
    """An injected unplug: the conversation ends without an answer."""


class Lockdownd(PlistService):
    def __init__(self, registry, device, tunnel):
        self.device = device
        self.tunnel = tunnel
        self.channel = PlistChannel(tunnel.sock)
        self.registry = registry
        self.session_id = None
        self.after_answer = None    # switches the connection to or from TLS once the answer is out

    def handle(self, request):
        if not isinstance(request, dict):
            return True
        try:
            reply = self.answer(request)
        except DeviceUnpluggedNow:
            return False
        self.channel.send(reply)
        if self.after_answer is not None:
            switch, self.after_answer = self.after_answer, None
            switch()
            self.channel.sock = self.tunnel.sock
        return request.get("Request") != "Goodbye"

    def answer(self, request):
        name = request.get("Request")
        handler = {
            "QueryType": self.query_type,
            "GetValue": self.get_value,
            "SetValue": self.plain_success,
            "RemoveValue": self.plain_success,
            "StartSession": self.start_session,
            "StopSession": self.stop_session,
            "StartService": self.start_service,
            "Pair": self.pair,
            "ValidatePair": self.validate_pair,
            "Unpair": self.plain_success,
            "Goodbye": self.plain_success,
        }.get(name)
        if handler is None:
            return {"Request": name or "", "Error": "InvalidRequest"}
        reply = handler(request)
        reply.setdefault("Request", name)
        return reply

    def query_type(self, _request):
        return {"Type": "com.apple.mobile.lockdown"}

    def plain_success(self, _request):
        return {}

    def pair(self, request):
        """The trust dialog: refused or pending as configured, else the user
        taps Trust at once and the device keeps the host's root certificate."""
        error = self.device.pairing_error()
        if error:
            self.device.note("pairing refused: %s" % error)
            return {"Error": error}
        record = request.get("PairRecord")
        if not isinstance(record, dict) or not record.get("HostID") or not record.get("RootCertificate"):
            return {"Error": "InvalidPairRecord"}
        self.device.trust(str(record["HostID"]), bytes(record["RootCertificate"]))
        self.device.note("paired with %s" % record["HostID"])
        return {"EscrowBag": escrow_bag(self.device.udid)}

    def validate_pair(self, request):
        """Devices before iOS 7 are asked to confirm a known pairing."""
        record = request.get("PairRecord")
        host_id = record.get("HostID") if isinstance(record, dict) else None
        return {} if self.device.knows_host(host_id) else {"Error": "InvalidHostID"}

    def unplug_if_asked_for(self, key):
        failure = self.device.failure
        if failure and failure.kind == "unplug_on_get_value" and failure.key in ("", key):
            self.device.note("unplugged while reading %s" % key)
            self.device.unplug()
            raise DeviceUnpluggedNow()

    def get_value(self, request):
        domain = request.get("Domain")
        key = request.get("Key")
        if key == "UniqueDeviceID":
            self.device.count("udid_requests")
        self.unplug_if_asked_for(key or "")
        reply = {}
        if domain is not None:
            reply["Domain"] = domain
        if key is not None:
            reply["Key"] = key
        values = identity_values(self.device) if domain is None else domain_values(self.device, domain)
        if values is None:
            reply["Error"] = "MissingValue"
        elif key is None:
            reply["Value"] = dict(values)
        elif key in values:
            reply["Value"] = values[key]
        else:
            reply["Error"] = "MissingValue"
        return reply

    def start_session(self, request):
        if not self.device.knows_host(request.get("HostID")):
            self.device.note("session refused: unknown host")
            return {"Error": "InvalidHostID"}
        self.device.count("sessions")
        self.session_id = str(uuid.uuid4()).upper()
        if self.device.config.tls:
            self.after_answer = lambda: self.tunnel.start_tls(self.device.tls_context())
        return {"SessionID": self.session_id, "EnableSessionSSL": self.device.config.tls}

    def stop_session(self, _request):
        if self.session_id is not None and self.device.config.tls:
            self.after_answer = self.tunnel.stop_tls
        self.session_id = None
        return {}

    def start_service(self, request):
        service = str(request.get("Service", ""))
        reply = {"Service": service}
        failure = self.device.failure
        if failure and failure.kind == "refuse_service" and failure.service == service:
            reply["Error"] = "ServiceProhibited"
        elif not self.registry.knows(service):
            reply["Error"] = "InvalidService"
        else:
            reply["Port"], reply["EnableServiceSSL"] = self.device.allocate_service_port(service)
        return reply
