#!/usr/bin/env python3
"""Writes a configuration record (48 bytes, little-endian) for bkrun's --config.

make_config.py OUT [field=value ...]   fields: play one_bit sound rom_control border speed repaint
start palette (four indices, comma-separated) rom magic size (cut the file to that many bytes)
"""
import struct
import sys

fields = dict(play=1, one_bit=1, sound=1, rom_control=1, border=0, speed=13750, repaint=5, start=100000,
              palette="0,252,250,249", rom="homemicro.rom", magic="\3BKC", size=48)
for arg in sys.argv[2:]:
    key, value = arg.split("=", 1)
    fields[key] = value if key in ("palette", "rom", "magic") else int(value)
name = fields["rom"].encode()
record = (fields["magic"].encode("latin-1")
          + bytes([fields["play"], fields["one_bit"], fields["sound"], fields["rom_control"]])
          + struct.pack("<Iiii", fields["border"], fields["speed"], fields["repaint"], fields["start"])
          + bytes(int(v) for v in fields["palette"].split(","))
          + bytes([len(name)]) + name.ljust(16, b"\0") + b"\0" * 3)
assert len(record) == 48
open(sys.argv[1], "wb").write(record[:fields["size"]])
