#!/usr/bin/env python3
"""bkrun --program: a BK tape file started as the monitor would, read back from the screen
through the kit's ROM font; the sample program's RTS PC restarts the ROM; files that are not
tape files are refused with the reason and nothing runs.

    program_load_test.py --bkrun EXE --rom ROM_IMAGE --rom-source ROM_SOURCE_DIR --sample SAMPLE_BIN
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile

from typed_run_test import screen_rows

REFUSED = [  # (label, file bytes, words of the message)
    ("shorter than the header", b"\x00\x02", "короче заголовка"),
    ("length 0", struct.pack("<HH", 0o1000, 0), "равна 0"),
    ("length past the data", struct.pack("<HH", 0o1000, 10) + b"\0" * 8, "длина в заголовке 12, а данных в файле 10"),
    ("data past the length", struct.pack("<HH", 0o1000, 2) + b"\0" * 4, "длина в заголовке 2, а данных в файле 4"),
    ("into the ROM area", struct.pack("<HH", 0o77776, 4) + b"\0" * 4, "выходят за ОЗУ"),
]


def run(bkrun, args, work):
    return subprocess.run([bkrun] + args, cwd=work, capture_output=True, text=True, timeout=120)


def main():
    parser = argparse.ArgumentParser()
    for option in ("bkrun", "rom", "rom-source", "sample"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    sys.path.insert(0, args.rom_source)
    from font_tool import read_font

    font = read_font(os.path.join(args.rom_source, "font.txt"))
    failures = []
    with tempfile.TemporaryDirectory() as work:
        screen = os.path.join(work, "screen.pgm")
        # Started after the ROM's banner, before tick 5; the key of tick 5 (the third) reaches the
        # program, which returns with RTS PC to the start address: the ROM starts afresh.
        for ticks, keys, expected, absent in [
            (20, "", "Hello from sample.bin, a program loaded from a tape file.", None),
            (30, "  X", "homemicro free boot ROM", "Hello from sample.bin"),
        ]:
            result = run(args.bkrun, ["--rom", args.rom, "--program", "5:" + args.sample, "--ticks", str(ticks),
                                      "--keys", keys, "--screen", screen, "--dump", "264:2"], work)
            if result.returncode != 0:
                failures.append(f"bkrun failed: {result.stderr}")
                continue
            rows = screen_rows(screen, font)
            if not any(expected in row for row in rows):
                failures.append(f"no row reads {expected!r}: {rows}")
            if absent and any(absent in row for row in rows):
                failures.append(f"{absent!r} still on the screen after the return: {rows}")
            if ticks == 20 and result.stdout.split()[1:] != ["001000", "000211"]:
                failures.append(f"0264/0266 hold {result.stdout!r}, expected the address and length")
        for label, data, words in REFUSED:
            with open(os.path.join(work, "bad.bin"), "wb") as f:
                f.write(data)
            result = run(args.bkrun, ["--rom", args.rom, "--program", "0:bad.bin", "--ticks", "1", "--regs"], work)
            want = "bkrun: Это не файл программы БК: "
            if result.returncode != 2 or want not in result.stderr or words not in result.stderr or result.stdout:
                failures.append(f"{label}: status {result.returncode}, {result.stderr!r}, {result.stdout!r}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
