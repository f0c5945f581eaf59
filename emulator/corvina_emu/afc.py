"""AFC (com.apple.afc): file access to the device's media partition.

A packet is a 40-byte little-endian header ("CFA6LPAA", entire length, this
length, packet number, operation), the operation's header data up to "this
length", and a payload up to "entire length". Answers carry the request's
packet number. A status answer always carries its 8-byte code: the library
treats an empty non-data answer as an I/O error.
"""

import struct

from .framing import ConnectionClosed, recv_exact, send_all

MAGIC = b"CFA6LPAA"
HEADER = struct.Struct("<8sQQQQ")

OP_STATUS = 0x01
OP_DATA = 0x02
OP_READ_DIR = 0x03
OP_REMOVE_PATH = 0x08
OP_MAKE_DIR = 0x09
OP_GET_FILE_INFO = 0x0A
OP_GET_DEVINFO = 0x0B
OP_FILE_OPEN = 0x0D
OP_FILE_OPEN_RES = 0x0E
OP_FILE_READ = 0x0F
OP_FILE_WRITE = 0x10
OP_FILE_SEEK = 0x11
OP_FILE_TELL = 0x12
OP_FILE_TELL_RES = 0x13
OP_FILE_CLOSE = 0x14
OP_FILE_SET_SIZE = 0x15
OP_RENAME_PATH = 0x18
OP_FILE_LOCK = 0x1B
OP_REMOVE_PATH_AND_CONTENTS = 0x22

E_SUCCESS = 0
E_UNKNOWN = 1
E_INVALID_ARG = 7
E_OBJECT_NOT_FOUND = 8
E_OBJECT_IS_DIR = 9
E_OP_NOT_SUPPORTED = 15
E_OBJECT_EXISTS = 16
E_DIR_NOT_EMPTY = 33

MODE_RDONLY, MODE_RW, MODE_WRONLY, MODE_WR, MODE_APPEND, MODE_RDAPPEND = range(1, 7)


def _cstring(data):
    return data.split(b"\0", 1)[0].decode("utf-8", "replace")


def _strings(pairs):
    return b"".join(str(item).encode("utf-8") + b"\0" for pair in pairs for item in pair)


class OpenFile:
    def __init__(self, path, buffer, append):
        self.path = path
        self.buffer = buffer
        self.position = len(buffer) if append else 0
        self.append = append


class AfcService:
    def __init__(self, device, sock):
        self.device = device
        self.media = device.media
        self.sock = sock
        self.handles = {}
        self.next_handle = 1

    def serve(self):
        try:
            while True:
                magic, entire, this, number, operation = HEADER.unpack(recv_exact(self.sock, HEADER.size))
                if magic != MAGIC or this < HEADER.size or entire < this:
                    return
                data = recv_exact(self.sock, this - HEADER.size)
                payload = recv_exact(self.sock, entire - this)
                self.dispatch(number, operation, data, payload)
        except ConnectionClosed:
            pass

    # -- answers ---------------------------------------------------------------

    def reply(self, number, operation, data=b""):
        length = HEADER.size + len(data)
        send_all(self.sock, HEADER.pack(MAGIC, length, length, number, operation) + data)

    def status(self, number, code):
        self.reply(number, OP_STATUS, struct.pack("<Q", code))

    # -- operations --------------------------------------------------------------

    def dispatch(self, number, operation, data, payload):
        handler = {
            OP_READ_DIR: self.read_dir,
            OP_GET_FILE_INFO: self.get_file_info,
            OP_GET_DEVINFO: self.get_device_info,
            OP_MAKE_DIR: self.make_dir,
            OP_REMOVE_PATH: self.remove_path,
            OP_REMOVE_PATH_AND_CONTENTS: self.remove_path_and_contents,
            OP_RENAME_PATH: self.rename_path,
            OP_FILE_OPEN: self.file_open,
            OP_FILE_READ: self.file_read,
            OP_FILE_WRITE: self.file_write,
            OP_FILE_SEEK: self.file_seek,
            OP_FILE_TELL: self.file_tell,
            OP_FILE_SET_SIZE: self.file_set_size,
            OP_FILE_CLOSE: self.file_close,
            OP_FILE_LOCK: self.file_lock,
        }.get(operation)
        if handler is None:
            self.status(number, E_OP_NOT_SUPPORTED)
        else:
            handler(number, data, payload)

    def read_dir(self, number, data, _payload):
        names = self.media.list_dir(_cstring(data))
        if names is None:
            self.status(number, E_OBJECT_NOT_FOUND)
        else:
            self.reply(number, OP_DATA, b"".join(n.encode("utf-8") + b"\0" for n in [".", ".."] + names))

    def get_file_info(self, number, data, _payload):
        info = self.media.stat(_cstring(data))
        if info is None:
            self.status(number, E_OBJECT_NOT_FOUND)
            return
        is_dir, size, mtime = info
        self.reply(number, OP_DATA, _strings([
            ("st_size", size), ("st_blocks", (size + 511) // 512), ("st_nlink", 2 if is_dir else 1),
            ("st_ifmt", "S_IFDIR" if is_dir else "S_IFREG"), ("st_mtime", mtime), ("st_birthtime", mtime)]))

    def get_device_info(self, number, _data, _payload):
        self.reply(number, OP_DATA, _strings([
            ("Model", self.device.config.product_type), ("FSTotalBytes", 128000000000),
            ("FSFreeBytes", 64000000000), ("FSBlockSize", 4096)]))

    def make_dir(self, number, data, _payload):
        self.status(number, E_SUCCESS if self.media.make_dirs(_cstring(data)) else E_OBJECT_EXISTS)

    def _remove(self, number, data, recursive):
        outcome = self.media.remove(_cstring(data), recursive=recursive)
        self.status(number, {"ok": E_SUCCESS, "missing": E_OBJECT_NOT_FOUND,
                             "not_empty": E_DIR_NOT_EMPTY}[outcome])

    def remove_path(self, number, data, _payload):
        self._remove(number, data, recursive=False)

    def remove_path_and_contents(self, number, data, _payload):
        self._remove(number, data, recursive=True)

    def rename_path(self, number, data, _payload):
        parts = data.split(b"\0")
        if len(parts) < 2:
            self.status(number, E_INVALID_ARG)
            return
        renamed = self.media.rename(parts[0].decode("utf-8", "replace"), parts[1].decode("utf-8", "replace"))
        self.status(number, E_SUCCESS if renamed else E_OBJECT_NOT_FOUND)

    def file_open(self, number, data, _payload):
        if len(data) < 9:
            self.status(number, E_INVALID_ARG)
            return
        mode = struct.unpack("<Q", data[:8])[0]
        path = _cstring(data[8:])
        if self.media.is_dir(path):
            self.status(number, E_OBJECT_IS_DIR)
            return
        create = mode != MODE_RDONLY
        truncate = mode in (MODE_WRONLY, MODE_WR)
        buffer = self.media.open_file(path, create=create, truncate=truncate)
        if buffer is None:
            self.status(number, E_OBJECT_NOT_FOUND)
            return
        handle = self.next_handle
        self.next_handle += 1
        self.handles[handle] = OpenFile(path, buffer, mode in (MODE_APPEND, MODE_RDAPPEND))
        self.reply(number, OP_FILE_OPEN_RES, struct.pack("<Q", handle))

    def _handle(self, number, data):
        handle = struct.unpack("<Q", data[:8])[0] if len(data) >= 8 else 0
        opened = self.handles.get(handle)
        if opened is None:
            self.status(number, E_INVALID_ARG)
        return handle, opened

    def file_read(self, number, data, _payload):
        _, opened = self._handle(number, data)
        if opened is None:
            return
        length = struct.unpack("<Q", data[8:16])[0] if len(data) >= 16 else 0
        chunk = bytes(opened.buffer[opened.position:opened.position + length])
        opened.position += len(chunk)
        self.reply(number, OP_DATA, chunk)

    def file_write(self, number, data, payload):
        _, opened = self._handle(number, data)
        if opened is None:
            return
        if opened.append:
            opened.position = len(opened.buffer)
        end = opened.position + len(payload)
        if len(opened.buffer) < opened.position:
            opened.buffer.extend(bytes(opened.position - len(opened.buffer)))
        opened.buffer[opened.position:end] = payload
        opened.position = end
        self.status(number, E_SUCCESS)

    def file_seek(self, number, data, _payload):
        _, opened = self._handle(number, data)
        if opened is None:
            return
        whence, offset = struct.unpack("<Qq", data[8:24])
        base = {0: 0, 1: opened.position, 2: len(opened.buffer)}.get(whence, 0)
        opened.position = max(0, base + offset)
        self.status(number, E_SUCCESS)

    def file_tell(self, number, data, _payload):
        _, opened = self._handle(number, data)
        if opened is not None:
            self.reply(number, OP_FILE_TELL_RES, struct.pack("<Q", opened.position))

    def file_set_size(self, number, data, _payload):
        _, opened = self._handle(number, data)
        if opened is None:
            return
        size = struct.unpack("<Q", data[8:16])[0]
        del opened.buffer[size:]
        opened.buffer.extend(bytes(size - len(opened.buffer)))
        self.status(number, E_SUCCESS)

    def file_close(self, number, data, _payload):
        handle, opened = self._handle(number, data)
        if opened is not None:
            del self.handles[handle]
            self.status(number, E_SUCCESS)

    def file_lock(self, number, data, _payload):
        _, opened = self._handle(number, data)
        if opened is not None:
            self.status(number, E_SUCCESS)
