"""lockdownd on port 62078: identity values, sessions and service start.

Sessions are started without TLS (EnableSessionSSL false) and services are
handed out with EnableServiceSSL false, so the host never needs the device's
certificates.
"""

import uuid

from .framing import PlistService
from .muxd import HOST_ID


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
        "DevicePublicKey": b"-----BEGIN RSA PUBLIC KEY-----\nQ29ydmluYQ==\n-----END RSA PUBLIC KEY-----\n",
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


DOMAIN_VALUES = {
    "com.apple.mobile.backup": {"WillEncrypt": False, "RequiresEncrypt": False},
    "com.apple.mobile.iTunes": {"MinITunesVersion": "10.0.1"},
    "com.apple.iTunes": {},
    "com.apple.disk_usage": {"TotalDiskCapacity": 128000000000, "AmountDataAvailable": 64000000000},
    "com.apple.mobile.battery": {"BatteryCurrentCapacity": 80, "BatteryIsCharging": True},
}


class Lockdownd(PlistService):
    def __init__(self, registry, device, sock):
        super().__init__(device, sock)
        self.registry = registry
        self.session_id = None

    def handle(self, request):
        if not isinstance(request, dict):
            return True
        self.channel.send(self.answer(request))
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
            "ValidatePair": self.plain_success,
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

    def pair(self, _request):
        return {"EscrowBag": uuid.uuid5(uuid.NAMESPACE_OID, self.device.udid).bytes * 4}

    def get_value(self, request):
        domain = request.get("Domain")
        key = request.get("Key")
        if key == "UniqueDeviceID":
            self.device.count("udid_requests")
        reply = {}
        if domain is not None:
            reply["Domain"] = domain
        if key is not None:
            reply["Key"] = key
        values = identity_values(self.device) if domain is None else DOMAIN_VALUES.get(domain)
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
        if request.get("HostID") != HOST_ID:
            return {"Error": "InvalidHostID"}
        self.device.count("sessions")
        self.session_id = str(uuid.uuid4()).upper()
        return {"SessionID": self.session_id, "EnableSessionSSL": False}

    def stop_session(self, _request):
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
            reply["Port"] = self.device.allocate_service_port(service)
            reply["EnableServiceSSL"] = False
        return reply
