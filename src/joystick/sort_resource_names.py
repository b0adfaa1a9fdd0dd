#!/usr/bin/env python3
"""Re-sorts the named entries of a PE file's resource directories in place.

The loader finds a named resource type (such as "TYPELIB") by binary search over the names
compared without regard to case, as upper-case text. GNU ld orders them as lower-case text,
which puts "_IID_CONTROLJOYSTICK" before "TYPELIB" ('_' sorts after 'T' in upper case but
before 't' in lower case), and the search then misses "TYPELIB". Only the order of the 8-byte
entries changes; names and data stay where they are.

    sort_resource_names.py FILE
"""
import struct
import sys


def main(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE file")
    sections, opt_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, dirs + 2 * 8)
    if rsrc_rva == 0:
        return
    table = opt + opt_size
    base = None
    for i in range(sections):
        s = table + i * 40
        vsize, va, raw_size, raw_ptr = struct.unpack_from("<IIII", data, s + 8)
        if va <= rsrc_rva < va + max(vsize, raw_size):
            base = raw_ptr + (rsrc_rva - va)
    if base is None:
        raise SystemExit("resource section not found")

    def name_at(offset):
        length = struct.unpack_from("<H", data, base + offset)[0]
        return data[base + offset + 2: base + offset + 2 + 2 * length].decode("utf-16-le")

    def fix(offset, seen):
        if offset in seen:
            return
        seen.add(offset)
        named, ids = struct.unpack_from("<HH", data, base + offset + 12)
        first = base + offset + 16
        entries = [bytes(data[first + 8 * i: first + 8 * i + 8]) for i in range(named + ids)]
        key = lambda e: name_at(struct.unpack_from("<I", e, 0)[0] & 0x7FFFFFFF).upper()
        ordered = sorted(entries[:named], key=key) + sorted(entries[named:], key=lambda e: struct.unpack_from("<I", e, 0)[0])
        for i, e in enumerate(ordered):
            data[first + 8 * i: first + 8 * i + 8] = e
        for e in ordered:
            target = struct.unpack_from("<I", e, 4)[0]
            if target & 0x80000000:
                fix(target & 0x7FFFFFFF, seen)

    fix(0, set())
    with open(path, "r+b") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
