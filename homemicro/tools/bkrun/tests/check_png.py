#!/usr/bin/env python3
"""Checks a PNG written by bkrun with an independent decoder (zlib) and compares chosen pixels.

check_png.py FILE WIDTH HEIGHT CHANNELS [X,Y=V ...]   (V is grey, or R/G/B for colour images)
"""
import struct, sys, zlib

data = open(sys.argv[1], "rb").read()
width, height, channels = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
assert data[:8] == b"\x89PNG\r\n\x1a\n", "signature"
at, chunks = 8, {}
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    body = data[at + 8:at + 8 + length]
    (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
    assert crc == zlib.crc32(kind + body), "CRC of " + kind.decode()
    chunks[kind] = chunks.get(kind, b"") + body
    at += 12 + length
w, h, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
assert (w, h, depth) == (width, height, 8), (w, h, depth)
assert colour == (2 if channels == 3 else 0), colour
raw = zlib.decompress(chunks[b"IDAT"])  # checks Adler-32 too
stride = width * channels + 1
assert len(raw) == stride * height, len(raw)
for spec in sys.argv[5:]:
    where, value = spec.split("=")
    x, y = map(int, where.split(","))
    row = raw[y * stride:(y + 1) * stride]
    assert row[0] == 0, "filter byte"
    pixel = list(row[1 + x * channels:1 + (x + 1) * channels])
    expected = [int(v) for v in value.split("/")]
    assert pixel == expected, f"pixel {x},{y}: {pixel} != {expected}"
print("png ok")
