#!/usr/bin/env python3
"""Machine snapshots in bkrun: a run of N, saved, loaded by a fresh bkrun and run M more, must
leave registers, all 64 KB of memory and the screen byte for byte as one run of N + M does.
A damaged or foreign snapshot is refused with its message and exit status 2.

    state_round_trip_test.py --bkrun EXE --rom ROM_IMAGE
"""
import argparse
import os
import subprocess
import sys
import tempfile

# (name, first run, second run, the same in one run): the kit's boot ROM echoes typed keys,
# so keys on both sides of the snapshot show on the screen and in memory.
CASES = [
    ("ticks, keys before and after", ["--ticks", "4", "--keys", "HI"], ["--ticks", "10", "--keys", "AB"],
     ["--ticks", "14", "--keys", "HIAB"]),
    ("steps inside a tick", ["--steps", "20001"], ["--steps", "30000"], ["--steps", "50001"]),
    ("four colours", ["--ticks", "4", "--keys", "Q7", "--two-bit"], ["--ticks", "5", "--two-bit"],
     ["--ticks", "9", "--keys", "Q7", "--two-bit"]),
]
OUTPUTS = ["--regs", "--dump", "0:32768"]


def bkrun(exe, args, cwd):
    return subprocess.run([exe] + args, cwd=cwd, capture_output=True, timeout=120)


def outputs(exe, args, cwd, screen):
    run = bkrun(exe, args + OUTPUTS + ["--screen", screen], cwd)
    assert run.returncode == 0, (args, run.stderr.decode())
    return run.stdout, open(os.path.join(cwd, screen), "rb").read()


def check_round_trip(exe, rom, work, name, first, second, whole):
    failures = []
    saved = bkrun(exe, ["--rom", rom] + first + ["--save-state", "s.bks"], work)
    if saved.returncode != 0:
        return [f"{name}: saving failed: {saved.stderr.decode()}"]
    split = outputs(exe, ["--load-state", "s.bks"] + second, work, "split.pgm")
    one = outputs(exe, ["--rom", rom] + whole, work, "one.pgm")
    if split[0] != one[0]:
        failures.append(f"{name}: registers or memory differ after the snapshot")
    if split[1] != one[1]:
        failures.append(f"{name}: the screen differs after the snapshot")
    if split[1] == outputs(exe, ["--rom", rom] + second, work, "fresh.pgm")[1]:
        failures.append(f"{name}: the snapshot made no difference to the screen")
    return failures


def check_refusals(exe, rom, work):
    failures = []
    assert bkrun(exe, ["--rom", rom, "--ticks", "2", "--save-state", "good.bks"], work).returncode == 0
    good = open(os.path.join(work, "good.bks"), "rb").read()
    damaged = {
        "a flipped memory byte": good[:5000] + bytes([good[5000] ^ 1]) + good[5001:],
        "cut short": good[:-3],
        "a byte added": good + b"\0",
        "another version": good[:8] + b"\x09\x00" + good[10:],
        "a ROM image": open(rom, "rb").read(),
        "empty": b"",
    }
    expected = {"another version": "другой версии: 9", "a ROM image": "Это не файл состояния машины",
                "empty": "Это не файл состояния машины"}
    for label, data in damaged.items():
        with open(os.path.join(work, "bad.bks"), "wb") as f:
            f.write(data)
        run = bkrun(exe, ["--load-state", "bad.bks", "--ticks", "1", "--regs"], work)
        want = expected.get(label, "Файл состояния машины повреждён")
        err = run.stderr.decode()
        if run.returncode != 2 or want not in err or run.stdout:
            failures.append(f"{label}: status {run.returncode}, stderr {err!r}, stdout {run.stdout!r}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bkrun", required=True)
    parser.add_argument("--rom", required=True)
    args = parser.parse_args()
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for case in CASES:
            failures += check_round_trip(args.bkrun, args.rom, work, *case)
        failures += check_refusals(args.bkrun, args.rom, work)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
