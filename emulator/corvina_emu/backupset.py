"""What the emulated device sends in a backup: hashed data files, then
Manifest.db, Manifest.plist and Status.plist, laid out as iOS 10 and later do
(UDID/xx/<sha1 of domain-path>).

Manifest.db holds one row per file (flags 1) and per folder (flags 2) in its
Files table; each row's `file` blob is the item's record as the device
archives it: a binary property list in NSKeyedArchiver form whose root object
is an MBFile with Size, Mode, times and the path. An encrypted backup's
Manifest.db is ciphertext, which stand-in bytes of its size imitate."""

import datetime
import hashlib
import os
import plistlib
import sqlite3
import tempfile
import uuid

from .content import pseudo_random_bytes

SAMPLE_PATHS = [
    ("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"),
    ("HomeDomain", "Library/SMS/sms.db"),
    ("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.HEIC"),
    ("HomeDomain", "Library/Notes/notes.sqlite"),
    ("HomeDomain", "Library/Calendar/Calendar.sqlitedb"),
    ("MediaDomain", "Media/Recordings/Recording 1.m4a"),
    ("HomeDomain", "Library/Preferences/com.apple.springboard.plist"),
    ("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0002.MOV"),
]


class BackupFile:
    """One file of the backup; its bytes are made when they are sent, so a
    large backup never sits in memory as a whole."""

    def __init__(self, domain, relative_path, size, seed):
        self.domain = domain
        self.relative_path = relative_path
        self.file_id = hashlib.sha1(("%s-%s" % (domain, relative_path)).encode("utf-8")).hexdigest()
        self.size = size
        self.seed = seed

    @property
    def data(self):
        return pseudo_random_bytes(self.seed, self.size)

    def path_in_set(self, udid):
        return "%s/%s/%s" % (udid, self.file_id[:2], self.file_id)


def sample_files(count, size, seed):
    files = []
    for index in range(count):
        domain, path = SAMPLE_PATHS[index % len(SAMPLE_PATHS)]
        if index >= len(SAMPLE_PATHS):
            stem, dot, ext = path.rpartition(".")
            path = "%s-%d%s%s" % (stem, index // len(SAMPLE_PATHS), dot, ext)
        files.append(BackupFile(domain, path, size, seed + path))
    return files


MODE_FILE = 0o100644
MODE_FOLDER = 0o040755


def file_record(domain, relative_path, mode, size, stamp):
    """The `file` blob of one Files row: an MBFile archived by NSKeyedArchiver."""
    record = {
        "$class": plistlib.UID(3), "RelativePath": plistlib.UID(2), "Size": size, "Mode": mode,
        "LastModified": stamp, "LastStatusChange": stamp, "Birth": stamp, "InodeNumber": 0,
        "UserID": 501, "GroupID": 501, "ProtectionClass": 3 if mode == MODE_FILE else 0, "Flags": 0,
    }
    objects = ["$null", record, relative_path, {"$classname": "MBFile", "$classes": ["MBFile", "NSObject"]}]
    return plistlib.dumps({"$version": 100000, "$archiver": "NSKeyedArchiver",
                           "$top": {"root": plistlib.UID(1)}, "$objects": objects}, fmt=plistlib.FMT_BINARY)


def folder_rows(files):
    """(fileID, domain, path) of every folder that holds a file, as a device lists them."""
    folders = set()
    for item in files:
        parts = item.relative_path.split("/")[:-1]
        for depth in range(1, len(parts) + 1):
            folders.add((item.domain, "/".join(parts[:depth])))
    return [(hashlib.sha1(("%s-%s" % folder).encode("utf-8")).hexdigest(),) + folder for folder in sorted(folders)]


def manifest_db(files, password=None):
    """A Manifest.db as iOS writes it (the Files table), built with sqlite3;
    for an encrypted backup (a password given), the database enciphered with
    the password (see cipher): opaque bytes to anyone without it."""
    handle, path = tempfile.mkstemp(suffix=".db")
    os.close(handle)
    try:
        connection = sqlite3.connect(path)
        with connection:
            connection.execute("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, "
                               "relativePath TEXT, flags INTEGER, file BLOB)")
            connection.execute("CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB)")
            stamp = 1700000000
            for file_id, domain, relative_path in folder_rows(files):
                connection.execute("INSERT INTO Files VALUES (?, ?, ?, 2, ?)",
                                   (file_id, domain, relative_path,
                                    file_record(domain, relative_path, MODE_FOLDER, 0, stamp)))
            for item in files:
                connection.execute("INSERT INTO Files VALUES (?, ?, ?, 1, ?)",
                                   (item.file_id, item.domain, item.relative_path,
                                    file_record(item.domain, item.relative_path, MODE_FILE, item.size, stamp)))
        connection.close()
        with open(path, "rb") as db:
            data = db.read()
        return data if password is None else cipher(data, password)
    finally:
        os.unlink(path)


def file_ids_from_manifest_db(data):
    """The fileIDs a Manifest.db lists; an unreadable database lists none."""
    handle, path = tempfile.mkstemp(suffix=".db")
    try:
        with os.fdopen(handle, "wb") as db:
            db.write(data)
        connection = sqlite3.connect(path)
        try:
            rows = connection.execute("SELECT fileID FROM Files WHERE flags = 1 ORDER BY fileID").fetchall()
        finally:
            connection.close()
        return [row[0] for row in rows if isinstance(row[0], str)]
    except sqlite3.Error:
        return []
    finally:
        os.unlink(path)


def cipher(data, password):
    """Stand-in encryption, its own inverse: the bytes mixed with a key
    stream derived from the password."""
    stream = pseudo_random_bytes("manifest key " + password, len(data))
    return (int.from_bytes(data, "big") ^ int.from_bytes(stream, "big")).to_bytes(len(data), "big")


def password_digest(password):
    return hashlib.sha256(("backup keybag " + password).encode("utf-8")).digest()


def password_matches(manifest_data, password):
    """Whether an encrypted backup's Manifest.plist (its keybag) was made
    with this password."""
    try:
        keybag = plistlib.loads(manifest_data).get("BackupKeyBag", b"")
    except Exception:  # noqa: BLE001 - an unreadable manifest opens with no password
        return False
    return isinstance(keybag, bytes) and keybag[32:] == password_digest(password)


def manifest_plist(config, password=None):
    """Manifest.plist; an encrypted backup's (a password given) says
    IsEncrypted and carries the password's mark in its keybag."""
    now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None, microsecond=0)
    return plistlib.dumps({
        "BackupKeyBag": hashlib.sha256(config.udid.encode("utf-8")).digest()
        + (password_digest(password) if password is not None else hashlib.sha256(config.udid.encode("utf-8")).digest()),
        "Version": "10.0",
        "Date": now,
        "SystemDomainsVersion": "24.0",
        "WasPasscodeSet": False,
        "IsEncrypted": password is not None,
        "Applications": {app.bundle_id: {"CFBundleIdentifier": app.bundle_id,
                                         "CFBundleVersion": app.version or ""}
                         for app in config.apps},
        "Lockdown": {
            "DeviceName": config.name, "ProductType": config.product_type,
            "ProductVersion": config.product_version, "BuildVersion": config.build_version,
            "UniqueDeviceID": config.udid, "SerialNumber": config.serial_number,
        },
    }, fmt=plistlib.FMT_BINARY)


def new_snapshot_id():
    return str(uuid.uuid4()).upper()


def changed_data(files, generation, changed, removed, added):
    """The device's data after a change: the first `changed` files get new
    contents, the next `removed` are deleted and `added` new files appear."""
    size = files[0].size if files else 2048
    result = [BackupFile(item.domain, item.relative_path, item.size, "%s#%d" % (item.seed, generation))
              for item in files[:changed]]
    result += files[changed + removed:]
    result += [BackupFile("HomeDomain", "Library/Added/file-%d-%d.bin" % (generation, index), size,
                          "added %d %d" % (generation, index)) for index in range(added)]
    return result


def status_plist(snapshot_state, snapshot_id=None, full=True):
    now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None, microsecond=0)
    return plistlib.dumps({
        "IsFullBackup": full, "Version": "3.3", "UUID": snapshot_id or new_snapshot_id(),
        "Date": now, "BackupState": "new", "SnapshotState": snapshot_state,
    }, fmt=plistlib.FMT_BINARY)
