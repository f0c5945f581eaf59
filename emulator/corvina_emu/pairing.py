"""The pairing between the emulated devices and this computer: certificates,
the pair record usbmuxd keeps, and the TLS side a device takes.

A paired computer holds a pair record with a root certificate and key, a host
certificate and key, and the device's certificate; the device knows the
computer's HostID and trusts its root certificate. libimobiledevice
authenticates with the root certificate and key and does not check the
device's certificate. The keys are made once per emulator start with the
openssl command-line program (the standard library cannot make certificates).
"""

import shutil
import ssl
import subprocess
import tempfile
import threading
import uuid
import warnings
from pathlib import Path

from .listening import SetupError

SYSTEM_BUID = "8A2B1C4D-5E6F-4A1B-9C2D-3E4F5A6B7C8D"
HOST_ID = "5B3C9E0A-7D21-4F6E-8B1A-2C3D4E5F6A7B"
DAYS = "3650"


def escrow_bag(udid):
    return uuid.uuid5(uuid.NAMESPACE_OID, udid).bytes * 4


class Credentials:
    """Keys and certificates in a private folder, removed at the end."""

    def __init__(self, folder):
        self.folder = Path(folder)
        self._contexts = {}
        self._lock = threading.Lock()

    @classmethod
    def create(cls):
        if shutil.which("openssl") is None:
            raise SetupError("the openssl program is missing (Debian package openssl); "
                             "it makes the emulated devices' certificates")
        credentials = cls(tempfile.mkdtemp(prefix="corvina-emulator-keys-"))
        try:
            credentials._generate()
        except (OSError, subprocess.SubprocessError) as error:
            credentials.remove()
            raise SetupError("openssl could not make the certificates: %s" % error) from error
        return credentials

    def _openssl(self, *arguments):
        subprocess.run(["openssl"] + list(arguments), cwd=self.folder, check=True, capture_output=True,
                       timeout=60)

    def _generate(self):
        # The three keys at once: making an RSA key is most of the time.
        makers = [subprocess.Popen(["openssl", "genrsa", "-traditional", "-out", name + ".key", "2048"],
                                   cwd=self.folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                  for name in ("root", "host", "device")]
        if any(maker.wait(60) != 0 for maker in makers):
            raise subprocess.SubprocessError("openssl genrsa failed")
        self._openssl("req", "-new", "-x509", "-key", "root.key", "-out", "root.pem", "-days", DAYS,
                      "-subj", "/CN=Corvina Emulator Root", "-sha256")
        for serial, name in ((2, "host"), (3, "device")):
            self._openssl("req", "-new", "-key", name + ".key", "-out", name + ".csr",
                          "-subj", "/CN=Corvina Emulator %s" % name.capitalize())
            self._openssl("x509", "-req", "-in", name + ".csr", "-CA", "root.pem", "-CAkey", "root.key",
                          "-set_serial", str(serial), "-days", DAYS, "-sha256", "-out", name + ".pem")
        self._openssl("rsa", "-in", "device.key", "-RSAPublicKey_out", "-out", "device.pub")

    def read(self, name):
        return (self.folder / name).read_bytes()

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def pair_record(self, udid):
        """What usbmuxd keeps for this computer once the device trusts it."""
        return {
            "DeviceCertificate": self.read("device.pem"),
            "HostCertificate": self.read("host.pem"),
            "RootCertificate": self.read("root.pem"),
            "HostPrivateKey": self.read("host.key"),
            "RootPrivateKey": self.read("root.key"),
            "HostID": HOST_ID,
            "SystemBUID": SYSTEM_BUID,
            "EscrowBag": escrow_bag(udid),
            "WiFiMACAddress": "a4:c3:f0:00:00:01",
        }

    def device_public_key(self):
        return self.read("device.pub")

    def server_context(self, trusted_roots):
        """The device's TLS side: its own certificate, and a client
        certificate required that one of `trusted_roots` (PEM bytes) vouches
        for. Up to TLS 1.2, as devices negotiate it; down to TLS 1.0, which
        the library insists on for devices before iOS 10."""
        key = tuple(trusted_roots)
        with self._lock:
            context = self._contexts.get(key)
            if context is None:
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                context.load_cert_chain(str(self.folder / "device.pem"), str(self.folder / "device.key"))
                context.verify_mode = ssl.CERT_REQUIRED
                context.load_verify_locations(cadata="".join(pem.decode("ascii", "replace") for pem in key))
                with warnings.catch_warnings():
                    warnings.simplefilter("ignore", DeprecationWarning)
                    context.minimum_version = ssl.TLSVersion.TLSv1
                context.maximum_version = ssl.TLSVersion.TLSv1_2
                context.set_ciphers("DEFAULT:@SECLEVEL=0")
                self._contexts[key] = context
            return context
