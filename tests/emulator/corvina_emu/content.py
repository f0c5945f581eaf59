"""Deterministic filler bytes for emulated files and app binaries."""

import hashlib


def pseudo_random_bytes(seed, size):
    """`size` bytes derived from `seed`: the same seed gives the same bytes,
    so tests can check what arrived without keeping a copy."""
    out = bytearray()
    block = hashlib.sha256(seed.encode("utf-8")).digest()
    while len(out) < size:
        out.extend(block)
        block = hashlib.sha256(block).digest()
    return bytes(out[:size])
