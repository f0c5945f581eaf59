"""The device's media partition as AFC shows it: an in-memory tree."""

import threading
import time


def normalize(path):
    """Turns "/a//b/" and "a/b" into "a/b"; the root is ""."""
    parts = [part for part in path.split("/") if part and part != "."]
    return "/".join(parts)


def parent_of(path):
    return path.rpartition("/")[0]


class VirtualFileSystem:
    """Files are bytearrays keyed by normalized path; directories a set."""

    def __init__(self, directories=()):
        self._lock = threading.RLock()
        self._files = {}
        self._dirs = {""}
        self._mtimes = {}
        for directory in directories:
            self.make_dirs(directory)

    # -- queries -------------------------------------------------------------

    def is_dir(self, path):
        with self._lock:
            return normalize(path) in self._dirs

    def is_file(self, path):
        with self._lock:
            return normalize(path) in self._files

    def read(self, path):
        with self._lock:
            data = self._files.get(normalize(path))
            return None if data is None else bytes(data)

    def list_dir(self, path):
        path = normalize(path)
        with self._lock:
            if path not in self._dirs:
                return None
            prefix = path + "/" if path else ""
            names = set()
            for entry in list(self._files) + list(self._dirs):
                if entry and entry.startswith(prefix) and entry != path:
                    names.add(entry[len(prefix):].split("/")[0])
            return sorted(names)

    def stat(self, path):
        """Returns (is_dir, size, mtime_ns) or None."""
        path = normalize(path)
        with self._lock:
            if path in self._dirs:
                return (True, 68, self._mtimes.get(path, 0))
            if path in self._files:
                return (False, len(self._files[path]), self._mtimes.get(path, 0))
            return None

    def files(self):
        with self._lock:
            return sorted(self._files)

    # -- changes -------------------------------------------------------------

    def _touch(self, path):
        self._mtimes[path] = time.time_ns()

    def make_dirs(self, path):
        path = normalize(path)
        with self._lock:
            if path in self._files:
                return False
            pieces = path.split("/") if path else []
            for index in range(1, len(pieces) + 1):
                directory = "/".join(pieces[:index])
                if directory in self._files:
                    return False
                if directory not in self._dirs:
                    self._dirs.add(directory)
                    self._touch(directory)
            return True

    def open_file(self, path, create, truncate):
        """Returns the file's bytearray, creating it when asked; None when the
        parent is missing or the path is a directory."""
        path = normalize(path)
        with self._lock:
            if path in self._dirs:
                return None
            if path not in self._files:
                if not create or parent_of(path) not in self._dirs:
                    return None
                self._files[path] = bytearray()
            elif truncate:
                del self._files[path][:]
            self._touch(path)
            return self._files[path]

    def write_file(self, path, data):
        self.make_dirs(parent_of(normalize(path)))
        buffer = self.open_file(path, create=True, truncate=True)
        buffer.extend(data)

    def remove(self, path, recursive=False):
        """Returns an AFC-style outcome: "ok", "missing" or "not_empty"."""
        path = normalize(path)
        with self._lock:
            if path in self._files:
                del self._files[path]
                return "ok"
            if path not in self._dirs or not path:
                return "missing"
            children = self.list_dir(path)
            if children and not recursive:
                return "not_empty"
            prefix = path + "/"
            for entry in [f for f in self._files if f.startswith(prefix)]:
                del self._files[entry]
            for entry in [d for d in self._dirs if d.startswith(prefix)]:
                self._dirs.discard(entry)
            self._dirs.discard(path)
            return "ok"

    def rename(self, source, target):
        source, target = normalize(source), normalize(target)
        with self._lock:
            if source in self._files and parent_of(target) in self._dirs:
                self._files[target] = self._files.pop(source)
                return True
            return False
