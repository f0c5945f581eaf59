"""What the emulated device sends in a backup: hashed data files, then
Manifest.db, Manifest.plist and Status.plist, laid out as iOS 10 and later do
(UDID/xx/<sha1 of domain-path>)."""

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


def manifest_db(files):
    """A Manifest.db as iOS writes it (the Files table), built with sqlite3."""
    handle, path = tempfile.mkstemp(suffix=".db")
    os.close(handle)
    try:
        connection = sqlite3.connect(path)
        with connection:
            connection.execute("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, "
                               "relativePath TEXT, flags INTEGER, file BLOB)")
            connection.execute("CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB)")
            for item in files:
                connection.execute("INSERT INTO Files VALUES (?, ?, ?, 1, ?)",
                                   (item.file_id, item.domain, item.relative_path,
                                    plistlib.dumps({"Size": item.size}, fmt=plistlib.FMT_BINARY)))
        connection.close()
        with open(path, "rb") as db:
            return db.read()
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


def manifest_plist(config):
    now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None, microsecond=0)
    return plistlib.dumps({
        "BackupKeyBag": hashlib.sha256(config.udid.encode("utf-8")).digest() * 2,
        "Version": "10.0",
        "Date": now,
        "SystemDomainsVersion": "24.0",
        "WasPasscodeSet": False,
        "IsEncrypted": config.backup.encrypted,
        "Applications": {app.bundle_id: {"CFBundleIdentifier": app.bundle_id,
                                         "CFBundleVersion": app.version or ""}
                         for app in config.apps},
        "Lockdown": {
            "DeviceName": config.name, "ProductType": config.product_type,
            "ProductVersion": config.product_version, "BuildVersion": config.build_version,
            "UniqueDeviceID": config.udid, "SerialNumber": config.serial_number,
        },
    }, fmt=plistlib.FMT_BINARY)


def status_plist(snapshot_state):
    now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None, microsecond=0)
    return plistlib.dumps({
        "IsFullBackup": True, "Version": "3.3", "UUID": str(uuid.uuid4()).upper(),
        "Date": now, "BackupState": "new", "SnapshotState": snapshot_state,
    }, fmt=plistlib.FMT_BINARY)
