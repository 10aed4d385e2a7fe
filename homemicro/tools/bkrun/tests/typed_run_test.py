#!/usr/bin/env python3
"""End to end: bkrun types a line into the kit's boot ROM, then F5, and writes the screen and the
sound of the run. The screen is read back as text through the ROM's font; the WAV must hold
silence while the line is typed, then the ROM's 1 kHz beep of a fifth of a second.

    typed_run_test.py --bkrun EXE --rom ROM_IMAGE --rom-source ROM_SOURCE_DIR
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile

TEXT = "Hello, BK! 0123 @#"
F5 = "\\016"  # the BK code of the F5 key, which the boot ROM answers with its beep
TICK_SECONDS = 0.055
BEEP_HZ, BEEP_SECONDS = 1000, 0.2  # as the boot ROM's README gives them
WIDTH, HEIGHT, ROWS, COLS = 512, 256, 32, 64


def screen_rows(path, font):
    data = open(path, "rb").read()
    fields = data.split(maxsplit=4)
    assert fields[:4] == [b"P5", b"512", b"256", b"255"], fields[:4]
    pixels = fields[4]
    assert len(pixels) == WIDTH * HEIGHT and set(pixels) <= {0, 255}, "a black and white picture"
    glyphs = {tuple(rows): chr(code) for code, rows in font.items()}
    rows = []
    for row in range(ROWS):
        text = ""
        for col in range(COLS):
            cell = tuple(sum(1 << i for i in range(8) if pixels[(8 * row + y) * WIDTH + 8 * col + i])
                         for y in range(8))
            text += glyphs.get(cell, "?")  # the cursor cell reads as "?"
        rows.append(text.rstrip(" ?"))
    return rows


def read_wav(path):
    data = open(path, "rb").read()
    assert data[:4] == b"RIFF" and data[8:16] == b"WAVEfmt ", "RIFF WAVE header"
    kind, channels, rate, _, _, bits = struct.unpack("<HHIIHH", data[20:36])
    assert (kind, channels, bits) == (1, 1, 16), (kind, channels, bits)
    assert data[36:40] == b"data"
    (size,) = struct.unpack("<I", data[40:44])
    assert size == len(data) - 44
    return rate, struct.unpack(f"<{size // 2}h", data[44:])


def check_sound(rate, samples, press_seconds):
    failures = []
    press = int(press_seconds * rate)
    loudest = max(abs(s) for s in samples)
    if loudest < 1000:
        return [f"no tone in the WAV (loudest sample {loudest})"]
    if max(abs(s) for s in samples[:press]) > loudest // 100:
        failures.append("sound before the F5 key was pressed")
    rises = [i for i in range(press, len(samples) - 1) if samples[i] < 0 <= samples[i + 1]]
    periods = [b - a for a, b in zip(rises, rises[1:]) if abs((b - a) * BEEP_HZ / rate - 1) < 0.2]
    if len(periods) < 100:
        return failures + [f"only {len(periods)} periods near {BEEP_HZ} Hz"]
    frequency = rate * len(periods) / sum(periods)
    if abs(frequency / BEEP_HZ - 1) > 0.01:
        failures.append(f"tone of {frequency:.1f} Hz, expected {BEEP_HZ}")
    duration = len(periods) / frequency
    if abs(duration - BEEP_SECONDS) > 0.01:
        failures.append(f"tone lasts {duration:.3f} s, expected {BEEP_SECONDS}")
    start = rises[0] / rate
    if not press_seconds <= start <= press_seconds + TICK_SECONDS:
        failures.append(f"tone starts at {start:.3f} s, the key was pressed at {press_seconds:.3f} s")
    return failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("bkrun", "rom", "rom-source"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    sys.path.insert(0, args.rom_source)
    from font_tool import read_font  # the ROM's own glyphs

    keys = len(TEXT) + 1
    with tempfile.TemporaryDirectory() as work:
        screen, sound = os.path.join(work, "screen.pgm"), os.path.join(work, "sound.wav")
        # Key k is pressed in tick 2k+1; eight more ticks let the beep finish.
        run = subprocess.run([args.bkrun, "--rom", args.rom, "--ticks", str(2 * keys + 8),
                              "--keys", TEXT + F5, "--screen", screen, "--wav", sound],
                             capture_output=True, text=True)
        if run.returncode != 0:
            print(f"bkrun failed ({run.returncode}): {run.stderr}")
            return 1
        rows = screen_rows(screen, read_font(os.path.join(args.rom_source, "font.txt")))
        failures = [] if rows.count(TEXT) == 1 else [f"no row reads {TEXT!r}: {rows}"]
        rate, samples = read_wav(sound)
        if abs(len(samples) - rate * (2 * keys + 8) * TICK_SECONDS) > 1:
            failures.append(f"{len(samples)} samples for {2 * keys + 8} ticks")
        failures += check_sound(rate, samples, (2 * (keys - 1) + 1) * TICK_SECONDS)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
