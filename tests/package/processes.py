"""Waiting for conditions and finding the processes a command left behind."""

import os
import time

HANG_GUARD_SECONDS = 60


def wait_until(condition, seconds=HANG_GUARD_SECONDS):
    """True as soon as condition() holds; False when it never did in time."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


def session_processes(session):
    """{pid: command line} of the live processes in a session: a command
    started as a session leader and everything it started, however deep."""
    found = {}
    for name in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % name, encoding="utf-8", errors="replace") as handle:
                fields = handle.read().rsplit(")", 1)[1].split()
            with open("/proc/%s/cmdline" % name, "rb") as handle:
                command = handle.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except (OSError, IndexError):
            continue
        # After the name: state, ppid, pgrp, session; zombies are ended already.
        if fields[0] != "Z" and int(fields[3]) == session:
            found[int(name)] = command
    return found
