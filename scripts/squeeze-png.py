#!/usr/bin/env python3
"""Recompresses the image data of PNG files in place (zlib level 9).

The test host writes its screenshots with stored (uncompressed) image data,
which is quick to write but about fifty times larger than needed.
    squeeze-png.py FILE.png...
"""
import os
import struct
import sys
import zlib


def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def squeeze(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(path + ': not a PNG file')
    out, pos, idat = [data[:8]], 8, b''
    while pos < len(data):
        n = struct.unpack('>I', data[pos:pos + 4])[0]
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b'IDAT':
            idat += body
            continue
        if kind == b'IEND':
            out.append(chunk(b'IDAT', zlib.compress(zlib.decompress(idat), 9)))
        out.append(chunk(kind, body))
    # Written beside and renamed, so a reader never sees half a file.
    with open(path + '.tmp', 'wb') as f:
        f.write(b''.join(out))
    os.replace(path + '.tmp', path)


if __name__ == '__main__':
    for name in sys.argv[1:]:
        squeeze(name)
