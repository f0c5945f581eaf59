"""mobilebackup2: the DeviceLink conversation of a backup and a restore.

After the DeviceLink version exchange and "Hello", the host asks for "Backup"
or "Restore" and the device drives: it sends DLMessage* requests, which the
host answers with DLMessageStatusResponse, and ends with a
DLMessageProcessMessage whose ErrorCode is 0 on success.

Raw file streams (both directions): for each file a big-endian length and the
device path, a length and the path in the backup folder, then blocks of a
length (data + 1), a code byte (0x0c data, 0x00 done, 0x06/0x0b error) and
the data; a zero length ends the stream.
"""

import plistlib
import struct
import time

from . import backupset
from .config import DEVICE_ERROR_TEXTS
from .framing import ConnectionClosed, PlistChannel, pack_be32

CODE_SUCCESS = 0x00
CODE_ERROR_LOCAL = 0x06
CODE_ERROR_REMOTE = 0x0B
CODE_FILE_DATA = 0x0C
BLOCK_SIZE = 32768
EMPTY = "___EmptyParameterString___"
DEVICE_BACKUP_ROOT = "/private/var/mobile/Library/Backup"


def in_memory(path, data):
    return (path, len(data), lambda: data)


class DeviceUnplugged(Exception):
    """The injected disconnect happened; the conversation is over."""


class MobileBackup2:
    def __init__(self, hub, device, sock, log):
        self.hub = hub
        self.device = device
        self.config = device.config
        self.channel = PlistChannel(sock, binary=True)
        self.log = log
        self.files_moved = 0
        self.files_shortened = 0
        self.reboot_after_disconnect = False

    # -- conversation ----------------------------------------------------------

    def serve(self):
        try:
            if not self.version_exchange():
                return
            while True:
                message = self.channel.receive()
                if not isinstance(message, list) or not message:
                    continue
                if message[0] == "DLMessageDisconnect":
                    break
                if message[0] == "DLMessageProcessMessage" and len(message) > 1:
                    self.process(message[1])
        except (ConnectionClosed, DeviceUnplugged):
            pass
        finally:
            if self.reboot_after_disconnect:
                self.reboot()

    def version_exchange(self):
        self.channel.send(["DLMessageVersionExchange", 300, 0])
        reply = self.channel.receive()
        if not (isinstance(reply, list) and len(reply) > 1 and reply[1] == "DLVersionsOk"):
            return False
        self.channel.send(["DLMessageDeviceReady"])
        return True

    def send_process_message(self, content):
        self.channel.send(["DLMessageProcessMessage", content])

    def process(self, request):
        name = request.get("MessageName") if isinstance(request, dict) else None
        if name == "Hello":
            self.send_process_message({"MessageName": "Response", "ErrorCode": 0, "ProtocolVersion": 2.1})
        elif name == "Backup":
            self.backup(request)
        elif name == "Restore":
            self.restore(request)
        elif name == "ChangePassword":
            self.change_password(request)
        else:
            self.send_process_message({"MessageName": "Response", "ErrorCode": 0})

    def finish(self, error_code=0, description=None):
        content = {"MessageName": "Response", "ErrorCode": error_code}
        if description:
            content["ErrorDescription"] = description
        self.send_process_message(content)

    def injected_device_error(self):
        """Ends the operation with the configured device error; True if so."""
        failure = self.device.failure
        if failure is None or failure.kind != "device_error":
            return False
        if failure.delay > 0:
            time.sleep(failure.delay)
        self.device.note("device error %d" % failure.code)
        self.finish(failure.code, failure.description)
        return True

    def status_response(self):
        """Reads the host's DLMessageStatusResponse; returns its code."""
        reply = self.channel.receive()
        if isinstance(reply, list) and len(reply) > 1 and reply[0] == "DLMessageStatusResponse":
            return int(reply[1]) if isinstance(reply[1], int) else -1
        return -1

    def unplug_if_due(self):
        failure = self.device.failure
        if failure and failure.kind == "disconnect_after_files" and self.files_moved >= failure.files:
            self.device.note("unplugged after %d files" % self.files_moved)
            self.hub.detach(self.device.udid)
            raise DeviceUnplugged()

    def pause_between_files(self):
        if self.config.backup.file_delay > 0:
            time.sleep(self.config.backup.file_delay)

    # -- backup -----------------------------------------------------------------

    def backup(self, request):
        """A backup as a device makes one: it first asks the host for the
        previous Status.plist; when that snapshot finished and is this
        device's last one, and the host does not force a full backup, only
        new and changed files are sent and the gone ones removed."""
        self.device.count("backups")
        udid = str(request.get("TargetIdentifier") or self.device.udid)
        options = request.get("Options") or {}
        if self.injected_device_error():
            return
        previous = self.download(["%s/Status.plist" % udid], 0.0, restoring=False)
        self.channel.send(["DLMessageGetFreeDiskSpace", EMPTY])
        self.status_response()
        files = self.device.snapshot_files()
        base = self.incremental_base(previous.get("%s/Status.plist" % udid), options)
        sent = [item for item in files if base is None or base.get(item.file_id) != (item.size, item.seed)]
        gone = [] if base is None else sorted(set(base) - {item.file_id for item in files})
        self.device.note("%s backup: %d files to send, %d to remove"
                         % ("full" if base is None else "incremental", len(sent), len(gone)))
        for prefix in sorted({item.file_id[:2] for item in sent}):
            self.channel.send(["DLMessageCreateDirectory", "%s/%s" % (udid, prefix), EMPTY, 0.0])
            self.status_response()
        snapshot_id = backupset.new_snapshot_id()
        status = [] if self.device.fails_with("no_status") else [
            in_memory("%s/Status.plist" % udid, backupset.status_plist("finished", snapshot_id, base is None))]
        if status:
            self.upload([in_memory("%s/Status.plist" % udid, backupset.status_plist("new"))], 0.0)
        batch = self.config.backup.files_per_message
        for start in range(0, len(sent), batch):
            chunk = sent[start:start + batch]
            progress = 95.0 * (start + len(chunk)) / len(sent)
            self.upload([(item.path_in_set(udid), item.size, lambda item=item: self.file_bytes(item))
                         for item in chunk], progress)
        if gone:
            self.channel.send(["DLMessageRemoveItems", ["%s/%s/%s" % (udid, file_id[:2], file_id) for file_id in gone],
                               {}, 96.0])
            self.status_response()
        with self.device.lock:
            password = self.device.backup_password if self.device.will_encrypt else None
        self.upload([in_memory("%s/Manifest.db" % udid, backupset.manifest_db(files, password)),
                     in_memory("%s/Manifest.plist" % udid, backupset.manifest_plist(self.config, password))] + status,
                    100.0)
        if status:
            with self.device.lock:
                self.device.last_snapshot = (snapshot_id, {item.file_id: (item.size, item.seed) for item in files})
        self.device.note("backup finished with %d files" % self.files_moved)
        self.finish()

    def incremental_base(self, status_data, options):
        """{fileID: (size, seed)} of the snapshot an incremental backup builds
        on, or None for a full backup."""
        if options.get("ForceFullBackup") is True or not status_data:
            return None
        try:
            status = plistlib.loads(status_data)
        except Exception:  # noqa: BLE001 - whatever the host sent, a full backup follows
            return None
        with self.device.lock:
            last = self.device.last_snapshot
        if (not isinstance(status, dict) or status.get("SnapshotState") != "finished" or last is None
                or status.get("UUID") != last[0]):
            return None
        return last[1]

    def file_bytes(self, item):
        """A file's bytes; with the short_files fault the first `files` files
        arrive cut to half while the manifest keeps their full size, as when
        the computer's disk fills up and the tool's writes fall short."""
        data = item.data
        failure = self.device.failure
        if failure and failure.kind == "short_files" and self.files_shortened < failure.files:
            self.files_shortened += 1
            return data[:len(data) // 2]
        return data

    def upload(self, entries, progress):
        """Sends files as (path in the set, size, function giving the bytes)."""
        total = sum(size for _, size, _ in entries)
        self.channel.send(["DLMessageUploadFiles", {}, float(progress), total])
        for path, _, make in entries:
            self.send_file(path, make())
            self.files_moved += 1
            self.unplug_if_due()
            self.pause_between_files()
        self.channel.send_raw(pack_be32(0))
        self.status_response()

    def send_file(self, path, data):
        device_path = ("%s/%s" % (DEVICE_BACKUP_ROOT, path)).encode("utf-8")
        encoded = path.encode("utf-8")
        out = [pack_be32(len(device_path)), device_path, pack_be32(len(encoded)), encoded]
        for start in range(0, len(data), BLOCK_SIZE):
            block = data[start:start + BLOCK_SIZE]
            out += [pack_be32(len(block) + 1), bytes([CODE_FILE_DATA]), block]
        out += [pack_be32(1), bytes([CODE_SUCCESS])]
        self.channel.send_raw(b"".join(out))
        self.device.count_bytes(len(data))

    # -- restore ------------------------------------------------------------------

    def restore(self, request):
        self.device.count("restores")
        source = str(request.get("SourceIdentifier") or request.get("TargetIdentifier") or self.device.udid)
        options = request.get("Options") or {}
        if self.injected_device_error():
            return
        received = self.download(["%s/Manifest.plist" % source, "%s/Manifest.db" % source,
                                  "%s/Status.plist" % source], 5.0)
        manifest_db = received.get("%s/Manifest.db" % source, b"")
        if self.is_encrypted(received.get("%s/Manifest.plist" % source, b"")):
            password = options.get("Password")
            if not isinstance(password, str) or not backupset.password_matches(
                    received["%s/Manifest.plist" % source], password):
                self.device.note("restore refused: wrong password")
                self.finish(207, DEVICE_ERROR_TEXTS[207])
                return
            manifest_db = backupset.cipher(manifest_db, password)
        file_ids = backupset.file_ids_from_manifest_db(manifest_db)
        batch = self.config.backup.files_per_message
        for start in range(0, len(file_ids), batch):
            chunk = file_ids[start:start + batch]
            progress = 5.0 + 95.0 * (start + len(chunk)) / len(file_ids)
            self.download(["%s/%s/%s" % (source, file_id[:2], file_id) for file_id in chunk], progress)
        if not file_ids:
            self.channel.send(["DLMessageRemoveItems", [], {}, 100.0])
            self.status_response()
        self.device.note("restore finished with %d files" % self.files_moved)
        self.reboot_after_disconnect = options.get("RestoreShouldReboot", True) is not False
        self.finish()

    @staticmethod
    def is_encrypted(manifest_data):
        try:
            return plistlib.loads(manifest_data).get("IsEncrypted") is True
        except Exception:  # noqa: BLE001 - an unreadable manifest is no encrypted one
            return False

    # -- encryption -----------------------------------------------------------------

    def change_password(self, request):
        """Encryption on (NewPassword only), off (OldPassword only) or a new
        password (both), as the device accepts them: the old password must
        match, and on/off must change something."""
        old, new = request.get("OldPassword"), request.get("NewPassword")
        with self.device.lock:
            on, current = self.device.will_encrypt, self.device.backup_password
            if old is not None and (not on or old != current):
                code = 207
            elif (new is None and old is None) or (old is None and on) or (isinstance(new, str) and not new):
                code = -1
            else:
                code = 0
                self.device.will_encrypt = new is not None
                self.device.backup_password = new if new is not None else ""
        self.device.note("change password: %s" % ("accepted" if code == 0 else "refused %d" % code))
        self.finish(code, DEVICE_ERROR_TEXTS.get(code, "Invalid request") if code else None)

    def download(self, paths, progress, restoring=True):
        """Asks the host for files; returns {path: data} of those it had.
        Only a restore's files count as moved (for the unplug fault) and
        restored."""
        self.channel.send(["DLMessageDownloadFiles", paths, {}, float(progress)])
        received = {}
        while True:
            length = struct.unpack(">I", self.channel.recv_raw(4))[0]
            if length == 0:
                break
            path = self.channel.recv_raw(length).decode("utf-8", "replace")
            data, ok = self.receive_file_body()
            if ok:
                received[path] = data
            if not restoring:
                continue
            if ok:
                with self.device.lock:
                    self.device.restored_files.append(path)
            self.files_moved += 1
            self.unplug_if_due()
            self.pause_between_files()
        self.status_response()
        return received

    def receive_file_body(self):
        chunks = []
        while True:
            length = struct.unpack(">I", self.channel.recv_raw(4))[0]
            code = self.channel.recv_raw(1)[0]
            body = self.channel.recv_raw(length - 1) if length > 1 else b""
            if code == CODE_FILE_DATA:
                chunks.append(body)
            elif code == CODE_SUCCESS:
                return b"".join(chunks), True
            else:
                return b"", False

    def reboot(self):
        """The device restarts after a restore: gone, then back."""
        self.device.note("rebooting")
        # A short grace lets the tool close its other connections first.
        self.hub.later(0.3, self.hub.reboot, self.device.udid, self.config.reboot_delay)
