#!/usr/bin/env python3
"""Checks a WAVE file written by bkrun: 16-bit mono PCM, its length, and a tone or silence.

check_wav.py FILE RATE SECONDS (HZ | silent)
The length must be SECONDS of samples (within one sample); a tone's frequency is measured from
its rising zero crossings and must be within 1% of HZ; silence means every sample is 0.
"""
import struct
import sys

path, rate, seconds, expect = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
data = open(path, "rb").read()
assert data[:4] == b"RIFF" and data[8:16] == b"WAVEfmt ", "RIFF WAVE header"
kind, channels, file_rate, byte_rate, align, bits = struct.unpack("<HHIIHH", data[20:36])
assert (kind, channels, file_rate, byte_rate, align, bits) == (1, 1, rate, 2 * rate, 2, 16), data[20:36]
assert data[36:40] == b"data" and struct.unpack("<I", data[40:44])[0] == len(data) - 44
samples = struct.unpack(f"<{(len(data) - 44) // 2}h", data[44:])
assert abs(len(samples) - rate * seconds) <= 1, f"{len(samples)} samples, expected {rate * seconds:.1f}"
if expect == "silent":
    assert not any(samples), "sound where none was made"
else:
    rises = [i for i in range(len(samples) - 1) if samples[i] < 0 <= samples[i + 1]]
    assert len(rises) > 10, f"{len(rises)} periods"
    hz = rate * (len(rises) - 1) / (rises[-1] - rises[0])
    assert abs(hz / float(expect) - 1) < 0.01, f"{hz:.1f} Hz, expected {expect}"
print("wav ok")
