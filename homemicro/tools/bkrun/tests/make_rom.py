#!/usr/bin/env python3
"""Builds a 32 KB ROM image (0100000..0177777) from a word listing: make_rom.py LISTING OUT."""
import sys

image = bytearray(32768)
for line in open(sys.argv[1]):
    line = line.split(";")[0].strip()
    if not line:
        continue
    address, words = line.split(":")
    at = int(address, 8) - 0o100000
    for word in words.split():
        image[at:at + 2] = int(word, 8).to_bytes(2, "little")
        at += 2
open(sys.argv[2], "wb").write(image)
