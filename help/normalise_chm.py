#!/usr/bin/env python3
"""Takes the compile time out of a help file made by chmcmd, so that two compiles of the same
pages give the same bytes: chmcmd writes the time of day into the file header and into the
#SYSTEM file's timestamp entry (code 10); both become 0. Both sit outside the compressed
section, so no other byte moves.

Usage: normalise_chm.py <file.chm>
"""
import struct
import sys


def encint(data, at):
    """A CHM variable-length integer: seven bits a byte, high bit set on all but the last."""
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, at


def find_file(data, wanted):
    """(section, offset, length) of a file named in the listing chunks, or None."""
    directory = struct.unpack_from("<Q", data, 0x48)[0]
    if data[directory:directory + 4] != b"ITSP":
        raise ValueError("no directory header")
    header_length = struct.unpack_from("<I", data, directory + 8)[0]
    chunk_size = struct.unpack_from("<I", data, directory + 0x10)[0]
    chunks = struct.unpack_from("<I", data, directory + 0x2C)[0]
    for index in range(chunks):
        chunk = directory + header_length + index * chunk_size
        if data[chunk:chunk + 4] != b"PMGL":
            continue
        end = chunk + chunk_size - struct.unpack_from("<I", data, chunk + 4)[0]
        at = chunk + 0x14
        while at < end:
            length, at = encint(data, at)
            name = bytes(data[at:at + length])
            at += length
            section, at = encint(data, at)
            offset, at = encint(data, at)
            size, at = encint(data, at)
            if name == wanted:
                return section, offset, size
    return None


def normalise(data):
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        raise ValueError("not a version 3 ITSF file")
    struct.pack_into("<I", data, 0x10, 0)
    found = find_file(data, b"/#SYSTEM")
    if not found or found[0] != 0:
        raise ValueError("no uncompressed #SYSTEM")
    start = struct.unpack_from("<Q", data, 0x58)[0] + found[1]
    at, end = start + 4, start + found[2]
    while at + 4 <= end:
        code, length = struct.unpack_from("<HH", data, at)
        if code == 10 and length >= 4:
            struct.pack_into("<I", data, at + 4, 0)
        at += 4 + length


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        data = bytearray(f.read())
    try:
        normalise(data)
    except (ValueError, struct.error, IndexError) as problem:
        print("normalise_chm.py: %s: %s" % (path, problem), file=sys.stderr)
        return 1
    with open(path, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
