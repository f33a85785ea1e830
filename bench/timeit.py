#!/usr/bin/python3
"""Runs a command once and prints "SECONDS KIB": its wall time, measured with
the monotonic clock to the microsecond, and the peak resident memory of the
command (the largest of its processes the kernel accounts to it).
Usage: timeit.py STDOUT-FILE COMMAND [ARG...]   (STDOUT-FILE '-' discards it)
Exits with the command's status."""
import os
import sys
import time

out, cmd = sys.argv[1], sys.argv[2:]
target = os.open(os.devnull if out == "-" else out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
start = time.perf_counter()
pid = os.fork()
if pid == 0:
    os.dup2(target, 1)
    try:
        os.execvp(cmd[0], cmd)
    except OSError as e:
        print(f"timeit: {cmd[0]}: {e.strerror}", file=sys.stderr)
        os._exit(127)
_, status, usage = os.wait4(pid, 0)
seconds = time.perf_counter() - start
print(f"{seconds:.6f} {usage.ru_maxrss}")
sys.exit(os.waitstatus_to_exitcode(status))
