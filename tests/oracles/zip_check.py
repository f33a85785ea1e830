#!/usr/bin/python3
"""Checks archives against Python's own zipfile and zlib.

  zip_check.py deflate ARCHIVE SRCDIR LEVEL   each deflated entry's raw bytes
                                              equal zlib.compressobj(LEVEL, 8, -15, 8, 0)
                                              of its source file
  zip_check.py password ARCHIVE SRCDIR PW     every entry reads back equal to its
                                              source with PW; a wrong password fails
  zip_check.py describe ARCHIVE               one line per entry: name, flags,
                                              method, versions, system, attributes, date
  zip_check.py raw ARCHIVE                    one line per entry: name, CRC-32, sizes,
                                              comment and extra field (hex) and the
                                              SHA-256 of its raw compressed bytes
Exit status 0 when every check holds; the failures are printed.
"""
import os
import struct
import sys
import zipfile
import zlib


def source_name(info):
    return info.filename  # zipfile decodes code page 437 or UTF-8 by the flag


def raw_data(path, info):
    with open(path, 'rb') as f:
        f.seek(info.header_offset)
        header = f.read(30)
        name_len, extra_len = struct.unpack('<HH', header[26:30])
        f.seek(info.header_offset + 30 + name_len + extra_len)
        return f.read(info.compress_size)


def src_path(srcdir, info, names):
    return os.path.join(srcdir, names.get(info.filename, info.filename))


def name_map(zf):
    """Entry names as zipfile shows them mapped to the names on disk (code page 850)."""
    out = {}
    for info in zf.infolist():
        if info.flag_bits & 0x800:
            out[info.filename] = info.filename
        else:
            out[info.filename] = info.filename.encode('cp437').decode('cp850')
    return out


def check_deflate(archive, srcdir, level):
    bad = 0
    with zipfile.ZipFile(archive) as zf:
        names = name_map(zf)
        for info in zf.infolist():
            if info.compress_type != zipfile.ZIP_DEFLATED:
                continue
            data = open(src_path(srcdir, info, names), 'rb').read()
            c = zlib.compressobj(level, 8, -15, 8, 0)
            expected = c.compress(data) + c.flush()
            if raw_data(archive, info) != expected:
                print('deflate differs:', info.filename)
                bad += 1
    return bad


def check_password(archive, srcdir, password):
    bad = 0
    with zipfile.ZipFile(archive) as zf:
        names = name_map(zf)
        zf.setpassword(password.encode())
        for info in zf.infolist():
            if info.is_dir():
                continue
            if zf.read(info) != open(src_path(srcdir, info, names), 'rb').read():
                print('content differs:', info.filename)
                bad += 1
        zf.setpassword(b'wrong' + password.encode())
        for info in zf.infolist():
            if info.flag_bits & 1:
                try:
                    zf.read(info)
                    print('wrong password accepted:', info.filename)
                    bad += 1
                except (RuntimeError, zlib.error, zipfile.BadZipFile):
                    pass
    return bad


def describe(archive):
    with zipfile.ZipFile(archive) as zf:
        for i in zf.infolist():
            print('%s|%d|%d|%d|%d|%d|%d|%04d-%02d-%02d %02d:%02d:%02d' % (
                (i.filename, i.flag_bits, i.compress_type, i.create_version, i.extract_version,
                 i.create_system, i.external_attr) + i.date_time))
    return 0


def raw(archive):
    import hashlib
    with zipfile.ZipFile(archive) as zf:
        for i in zf.infolist():
            print('%s|%08x|%d|%d|%s|%s|%s' % (
                i.filename, i.CRC, i.compress_size, i.file_size, i.comment.hex(), i.extra.hex(),
                hashlib.sha256(raw_data(archive, i)).hexdigest()))
    return 0


def main(argv):
    if len(argv) >= 2 and argv[0] == 'describe':
        return describe(argv[1])
    if len(argv) == 2 and argv[0] == 'raw':
        return raw(argv[1])
    if len(argv) == 4 and argv[0] == 'deflate':
        return 1 if check_deflate(argv[1], argv[2], int(argv[3])) else 0
    if len(argv) == 4 and argv[0] == 'password':
        return 1 if check_password(argv[1], argv[2], argv[3]) else 0
    print(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
