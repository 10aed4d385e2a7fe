#!/usr/bin/env python3
"""Drives homemicro's boot ROM through bkrun and reads the screen back as text, cell by cell,
through the ROM's own font, so a check fails on any pixel out of place.

    rom_test.py --bkrun EXE --bkasm EXE --rom ROM --font FONT_TXT --sample BIN --fixtures DIR CASE
"""
import argparse
import array
import os
import subprocess
import sys
import tempfile
import wave

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from font_tool import read_font  # noqa: E402

ROWS, COLS = 32, 64
WIDTH, HEIGHT = 512, 256
CURSOR_ROW = 0o377  # the cursor inverts a cell's bottom pixel row

BANNER = [
    "homemicro free boot ROM",
    "=======================",
    "",
    "  F5   beep (1 kHz)",
    "  F8   colour test (switch the window to four colours)",
    "  F9   load a program from a tape file and run it",
    "  Esc  STOP: back to this menu",
    "",
    "Type away; Enter and Backspace work.",
    "",
]
AFTER_BANNER = (len(BANNER), 0)

F5, F8, F9, BACKSPACE, STOP = "\016", "\017", "\014", "\030", "\033"


def sample_run(key):
    return [
        "Starting at 001000",
        "Hello from sample.bin, a program loaded from a tape file.",
        "*" * 40,
        "Press a key to go back to the ROM: " + key,
        "Program ended.",
    ]


# name: keys typed (one per press), file for the open dialog, expected screen text from the top
# and cursor (row, column); or `colours` for the two-bit picture; or `tone` (Hz, periods) for the
# sound.
CASES = {
    "banner": dict(keys="", screen=BANNER, cursor=AFTER_BANNER),
    "typing": dict(keys="Hi there" + BACKSPACE * 5 + "X\n" + BACKSPACE + "AB",
                   screen=BANNER + ["Hi X", "AB"], cursor=(11, 2)),
    # A full row wraps; the bottom row scrolls the banner's top lines away.
    "scrolling": dict(keys="\n" * 21 + "Z" * 64 + "second\nthird",
                      screen=BANNER[2:] + [""] * 21 + ["Z" * 64, "second", "third"], cursor=(31, 5)),
    "stop_returns_to_menu": dict(keys="abc" + STOP, screen=BANNER, cursor=AFTER_BANNER),
    "beep": dict(keys=F5, tone=(1000, 200)),
    "colour_test": dict(keys=F8, colours=True),
    "key_ends_colour_test": dict(keys=F8 + "x", screen=BANNER, cursor=AFTER_BANNER),
    "stop_ends_colour_test": dict(keys=F8 + STOP, screen=BANNER, cursor=AFTER_BANNER),
    "load_sample": dict(keys=F9 + "Q", open_file="sample", screen=BANNER + sample_run("Q"),
                        cursor=(len(BANNER) + 5, 0)),
    "load_cancelled": dict(keys=F9, screen=BANNER + ["Nothing loaded."],
                           cursor=(len(BANNER) + 1, 0)),
    "emt_services": dict(keys=F9, open_file="services.asm", screen=["text:AAok", "Program ended."],
                         cursor=(2, 0)),
    # STOP leaves a program that turned the keyboard interrupt off; the menu takes keys again.
    "stop_ends_program": dict(keys=F9 + STOP + "ok", open_file="endless.asm", screen=BANNER + ["ok"],
                              cursor=(len(BANNER), 2)),
    "reserved_instruction": dict(keys=F9 + "k", open_file="reserved.asm",
                                 screen=BANNER + ["Starting at 003000", "Reserved instruction at 003002", "k"],
                                 cursor=(len(BANNER) + 2, 1)),
}

# Grey levels of bkrun's two-bit PGM for colour numbers 0..3 (black, blue, lime, red).
GREY_COLOUR = {0: 0, 29: 1, 150: 2, 76: 3}


def bkrun_keys(keys):
    return "".join("\\n" if c == "\n" else "\\e" if c == STOP else "\\\\" if c == "\\"
                   else f"\\{ord(c):03o}" if ord(c) < 0o40 else c for c in keys)


def read_pgm(path):
    data = open(path, "rb").read()
    fields = data.split(maxsplit=4)
    if fields[0] != b"P5" or (int(fields[1]), int(fields[2])) != (WIDTH, HEIGHT):
        raise SystemExit(f"{path}: not a {WIDTH} x {HEIGHT} PGM picture")
    pixels = fields[4]
    return [pixels[r * WIDTH:(r + 1) * WIDTH] for r in range(HEIGHT)]


def read_text(picture, font):
    """Screen text row by row, the cursor position, and the cells that hold no glyph."""
    by_rows = {tuple(rows): chr(code) for code, rows in font.items()}
    lines, cursor, unknown = [], None, []
    for row in range(ROWS):
        text = ""
        for col in range(COLS):
            cell = [sum(1 << i for i in range(8) if picture[8 * row + y][8 * col + i]) for y in range(8)]
            char = by_rows.get(tuple(cell))
            if char is None:
                char = by_rows.get(tuple(cell[:7] + [cell[7] ^ CURSOR_ROW]))
                if char is not None and cursor is None:
                    cursor = (row, col)
            if char is None:
                unknown.append((row, col))
                char = "?"
            text += char
        lines.append(text.rstrip())
    return lines, cursor, unknown


def check_text(picture, font, case):
    lines, cursor, unknown = read_text(picture, font)
    expected = case["screen"] + [""] * (ROWS - len(case["screen"]))
    failures = [f"cells holding no glyph at (row, column) {unknown[:8]}"] if unknown else []
    for row, (got, want) in enumerate(zip(lines, expected)):
        if got != want:
            failures.append(f"row {row}: got {got!r}, expected {want!r}")
    if cursor != case["cursor"]:
        failures.append(f"cursor at {cursor}, expected at {case['cursor']}")
    return failures


def check_colours(picture):
    """Top half: bars of colours 0..3 from the left; bottom half: bands 0..3 from the top."""
    failures = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            want = x * 4 // WIDTH if y < HEIGHT // 2 else (y - HEIGHT // 2) * 8 // HEIGHT
            got = GREY_COLOUR.get(picture[y][x])
            if got != want:
                failures.append(f"pixel ({x}, {y}): colour {got}, expected {want}")
                if len(failures) > 8:
                    return failures
    return failures


def check_tone(path, case):
    """The tone's pitch from its rising zero crossings, its length from their count."""
    with wave.open(path) as sound:
        if (sound.getnchannels(), sound.getsampwidth()) != (1, 2):
            return [f"{path}: not 16-bit mono"]
        rate = sound.getframerate()
        samples = array.array("h", sound.readframes(sound.getnframes()))
    # Before the tone the output is silent (0), so its first rise counts as well.
    crossings = [i for i in range(1, len(samples)) if samples[i - 1] <= 0 < samples[i]]
    if len(crossings) < 3:
        return ["no tone in the sound output"]
    # The output's filter may cross zero once more while it settles after the tone: keep the
    # longest run of evenly spaced rises.
    gap = sorted(b - a for a, b in zip(crossings, crossings[1:]))[len(crossings) // 2]
    runs = [[crossings[0]]]
    for a, b in zip(crossings, crossings[1:]):
        runs[-1].append(b) if b - a <= 2 * gap else runs.append([b])
    rises = max(runs, key=len)
    hz, periods = case["tone"]
    measured = rate * (len(rises) - 1) / (rises[-1] - rises[0])
    failures = []
    # Two hundred periods time the pitch to a few hundredths of a percent; one instruction more
    # or less in a half period moves it by 0.4%.
    if abs(measured - hz) > hz / 500:
        failures.append(f"tone of {measured:.1f} Hz, expected {hz}")
    if len(rises) != periods:
        failures.append(f"{len(rises)} periods of tone, expected {periods}")
    return failures


def prepare_open_file(name, args, work):
    if name == "sample":
        return args.sample
    tape = os.path.join(work, name.replace(".asm", ".bin"))
    subprocess.run([args.bkasm, "--tape", tape, os.path.join(args.fixtures, name)], check=True)
    return tape


def main():
    parser = argparse.ArgumentParser()
    for option in ("bkrun", "bkasm", "rom", "font", "sample", "fixtures"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    case = CASES[args.case]
    font = read_font(args.font)
    with tempfile.TemporaryDirectory() as work:
        screen = os.path.join(work, "screen.pgm")
        # A key is typed every second tick; the rest lets the ROM finish drawing.
        command = [args.bkrun, "--rom", args.rom, "--ticks", str(2 * len(case["keys"]) + 8),
                   "--keys", bkrun_keys(case["keys"]), "--screen", screen]
        if case.get("colours"):
            command.append("--two-bit")
        sound = os.path.join(work, "sound.wav")
        if "tone" in case:
            command += ["--wav", sound]
        if "open_file" in case:
            command += ["--open-file", prepare_open_file(case["open_file"], args, work)]
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0:
            print(f"bkrun failed ({run.returncode}): {run.stderr}")
            return 1
        picture = read_pgm(screen)
        if "tone" in case:
            failures = check_tone(sound, case)
        elif case.get("colours"):
            failures = check_colours(picture)
        else:
            failures = check_text(picture, font, case)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
