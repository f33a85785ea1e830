#!/usr/bin/python3
"""Walks a BRP page stream with struct alone and checks its layout.

    brp_walk.py FILE [--compressed yes|no] [--pages N]

Header: 128 bytes (int16 3, int16 40, int32 page count at 8, double time at
16, Compressed byte at 25, every other byte 0), or the older 124-byte one.
Records: int32 ordinal (1, 2, ...), int32 offset of the next record, the
payload, int32 offset of the record's start; the last four bytes of the
stream point at the last record. A plain payload is an EMF (" EMF" 40
bytes in, its byte count at 48 equal to the payload's length); a coded one
is int32 plain size then the splay code of such an EMF. Prints one line a
page and "ok"; exits 1 with the first fault.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import splay_coder  # noqa: E402


def fail(message):
    print("FAULT: " + message)
    sys.exit(1)


def check_emf(emf, where):
    if len(emf) < 88:
        fail(f"{where}: EMF shorter than its header")
    rtype, rsize = struct.unpack_from("<II", emf, 0)
    if rtype != 1 or emf[40:44] != b" EMF":
        fail(f"{where}: no EMF header")
    (nbytes,) = struct.unpack_from("<I", emf, 48)
    if nbytes != len(emf):
        fail(f"{where}: EMF says {nbytes} bytes, payload has {len(emf)}")
    at = 0
    last = None
    while at < len(emf):
        t, size = struct.unpack_from("<II", emf, at)
        if size < 8 or size % 4 or at + size > len(emf):
            fail(f"{where}: bad record size {size} at {at}")
        last = t
        at += size
    if last != 14:
        fail(f"{where}: EMF does not end with its end-of-file record")


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    data = open(args[0], "rb").read()
    want_compressed = None
    want_pages = None
    i = 1
    while i < len(args):
        if args[i] == "--compressed":
            want_compressed = args[i + 1] == "yes"
        elif args[i] == "--pages":
            want_pages = int(args[i + 1])
        i += 2
    legacy = len(data) >= 177 and data[173:176] == b"EMF"
    hsize = 124 if legacy else 128
    if len(data) < hsize:
        fail("shorter than a header")
    mark_a, mark_b = struct.unpack_from("<hh", data, 0)
    (count,) = struct.unpack_from("<i", data, 8)
    compressed = data[21 if legacy else 25]
    if not legacy:
        if (mark_a, mark_b) != (3, 40):
            fail(f"header marks {mark_a}, {mark_b}")
        zeros = data[4:8] + data[12:16] + data[24:25] + data[26:128]
        if any(zeros):
            fail("reserved header bytes are not 0")
        (created,) = struct.unpack_from("<d", data, 16)
        if not 40000 < created < 80000:
            fail(f"creation time {created}")
    if compressed not in (0, 1):
        fail(f"Compressed byte {compressed}")
    if want_compressed is not None and bool(compressed) != want_compressed:
        fail(f"Compressed byte {compressed}")
    if want_pages is not None and count != want_pages:
        fail(f"page count {count}, wanted {want_pages}")
    at = hsize
    starts = []
    for n in range(1, count + 1):
        if at + 12 > len(data):
            fail(f"record {n} starts past the end")
        ordinal, nxt = struct.unpack_from("<ii", data, at)
        if ordinal != n:
            fail(f"record at {at} has ordinal {ordinal}, wanted {n}")
        if not at + 12 <= nxt <= len(data):
            fail(f"record {n}: next offset {nxt}")
        (back,) = struct.unpack_from("<i", data, nxt - 4)
        if back != at:
            fail(f"record {n}: start offset {back}, wanted {at}")
        payload = data[at + 8:nxt - 4]
        if compressed:
            (plain,) = struct.unpack_from("<i", payload, 0)
            emf = splay_coder.decode(payload[4:], plain)
            if len(splay_coder.code(emf)) != len(payload) - 4:
                fail(f"record {n}: code has bytes past its page")
        else:
            emf = payload
        check_emf(emf, f"page {n}")
        print(f"page {n}: record {nxt - at} bytes, EMF {len(emf)} bytes")
        starts.append(at)
        at = nxt
    if at != len(data):
        fail(f"{len(data) - at} bytes after the last record")
    if count:
        (last,) = struct.unpack_from("<i", data, len(data) - 4)
        if last != starts[-1]:
            fail("the stream's last four bytes do not point at the last record")
        # Back links, last to first.
        at = last
        for n in range(count, 0, -1):
            if at != starts[n - 1]:
                fail(f"walking back reached {at} for page {n}")
            if n > 1:
                (at,) = struct.unpack_from("<i", data, at - 4)
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
