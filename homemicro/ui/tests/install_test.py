#!/usr/bin/env python3
"""The installed program boots from the desktop menu's entry with no ROM of its own.

Installs the build into a fresh prefix (cmake --install), takes the command from the installed
homemicro.desktop, and runs it in an empty folder with HOME pointing at another empty folder, on
the offscreen platform. The program finds no homemicro.rom there and must boot the kit's ROM
from the prefix's data folder: the picture it shows after 30 ticks (HOMEMICRO_SCREEN_PROBE) must
be, pixel for pixel, what bkrun shows after 30 ticks of that installed ROM.
"""
import argparse, os, shlex, subprocess, sys, tempfile

TICKS = 30


class Failure(Exception):
    pass


def read_pgm(path):
    """Width, height and the grey bytes of a binary PGM (P5, maxval 255)."""
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P5" or fields[3] != b"255":
        raise Failure(path + ": not a binary 8-bit PGM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1:at + 1 + width * height]
    if len(pixels) != width * height:
        raise Failure(path + ": the picture is cut short")
    return width, height, pixels


def desktop_command(entry):
    with open(entry, encoding="utf-8") as f:
        for line in f:
            if line.startswith("Exec="):
                # Field codes (%f, %U ...) stand for files the menu passes; it passes none here.
                return [w for w in shlex.split(line[5:].strip()) if not w.startswith("%")]
    raise Failure(entry + ": no Exec line")


def run(args):
    with tempfile.TemporaryDirectory(prefix="homemicro-install-") as work:
        prefix = os.path.join(work, "prefix")
        subprocess.run([args.cmake, "--install", args.build, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL)
        rom = os.path.join(prefix, "share", "homemicro", "homemicro.rom")
        entry = os.path.join(prefix, "share", "applications", "homemicro.desktop")
        sample = os.path.join(prefix, "share", "homemicro", "sample.bin")
        for path in (rom, sample, entry, os.path.join(prefix, "bin", "homemicro")):
            if not os.path.isfile(path):
                raise Failure("not installed: " + path)
        if os.path.getsize(rom) != 32768:
            raise Failure(rom + ": not a 32 KB ROM image")

        start, home = os.path.join(work, "start"), os.path.join(work, "home")
        os.mkdir(start)
        os.mkdir(home)
        shown = os.path.join(work, "shown.pgm")
        env = dict(os.environ, HOME=home, QT_QPA_PLATFORM="offscreen",
                   PATH=os.path.join(prefix, "bin") + os.pathsep + os.environ.get("PATH", ""),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"), XDG_DATA_DIRS=os.path.join(work, "none"),
                   HOMEMICRO_SCREEN_PROBE="%d:%s" % (TICKS, shown))
        done = subprocess.run(desktop_command(entry), cwd=start, env=env, timeout=60,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if done.returncode != 0 or not os.path.isfile(shown):
            raise Failure("the installed program did not show its screen (exit %d):\n%s"
                          % (done.returncode, done.stdout))

        expected = os.path.join(work, "expected.pgm")
        subprocess.run([args.bkrun, "--rom", rom, "--ticks", str(TICKS), "--screen", expected], check=True)
        got, want = read_pgm(shown), read_pgm(expected)
        if got[:2] != want[:2]:
            raise Failure("picture %dx%d instead of %dx%d" % (got[0], got[1], want[0], want[1]))
        if got[2] != want[2]:
            first = next(i for i in range(len(want[2])) if got[2][i] != want[2][i])
            raise Failure("pixel (%d, %d) differs from bkrun's" % (first % want[0], first // want[0]))
        if len(set(want[2])) < 2:
            raise Failure("the ROM's screen is blank: nothing to compare")
        # The settings go to the folder it started in, not to HOME.
        if not os.path.isfile(os.path.join(start, "homemicro.cfg")) or os.path.exists(os.path.join(home, "homemicro.cfg")):
            raise Failure("the settings were not written to the start folder")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--bkrun", required=True)
    try:
        run(parser.parse_args())
    except (Failure, subprocess.SubprocessError) as failure:
        print("install test failed:", failure)
        return 1
    print("installed homemicro booted the kit's ROM")
    return 0


if __name__ == "__main__":
    sys.exit(main())
