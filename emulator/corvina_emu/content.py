"""Deterministic filler bytes for emulated files and app binaries."""

import hashlib


def pseudo_random_bytes(seed, size):
    """`size` bytes derived from `seed`: the same seed gives the same bytes,
    so tests can check what arrived without keeping a copy. An extendable
    hash makes them at memory speed, so large emulated backups cost little."""
    return hashlib.shake_256(seed.encode("utf-8")).digest(size) if size > 0 else b""
