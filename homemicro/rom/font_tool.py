#!/usr/bin/env python3
"""The ROM's character set: reads font.txt and writes it as assembler source.

    font_tool.py FONT_TXT OUT_ASM [SOURCE ...]

The SOURCE files come first in OUT_ASM, the font after them, so that the assembler, which has
no include directive, sees the whole ROM as one program. Tests import read_font() to read the
glyphs back from the screen.
"""
import sys

FIRST_CODE = 0o40
LAST_CODE = 0o176


def read_font(path):
    """Answers {code: [8 row bytes]}, bit 0 of a byte being the leftmost cell."""
    glyphs = {}
    lines = [line.rstrip("\n") for line in open(path, encoding="ascii")]
    lines = [line for line in lines if line and not line.startswith("#")]
    i = 0
    while i < len(lines):
        header = lines[i].split()
        code = int(header[0], 8)
        rows = lines[i + 1:i + 9]
        if len(rows) != 8 or any(len(r) != 8 or set(r) - {".", "#"} for r in rows):
            raise ValueError(f"{path}: glyph {header[0]} needs eight rows of eight '.' or '#'")
        if code in glyphs:
            raise ValueError(f"{path}: glyph {header[0]} given twice")
        glyphs[code] = [sum(1 << bit for bit, cell in enumerate(row) if cell == "#") for row in rows]
        i += 9
    missing = [oct(c) for c in range(FIRST_CODE, LAST_CODE + 1) if c not in glyphs]
    if missing:
        raise ValueError(f"{path}: no glyph for {' '.join(missing)}")
    # The screen checks read text back by matching glyphs, so no two may look alike.
    seen = {}
    for code, rows in glyphs.items():
        if tuple(rows) in seen:
            raise ValueError(f"{path}: glyphs {oct(seen[tuple(rows)])} and {oct(code)} are the same")
        seen[tuple(rows)] = code
    return glyphs


def write_asm(glyphs, path, sources):
    with open(path, "w", encoding="ascii") as out:
        for source in sources:
            out.write(open(source, encoding="ascii").read())
        out.write("; Generated from font.txt by font_tool.py: eight bytes per character from 040 on.\n")
        out.write("FONT:\n")
        for code in range(FIRST_CODE, LAST_CODE + 1):
            rows = ",".join(f"{b:o}" for b in glyphs[code])
            out.write(f"        .BYTE {rows}    ; {code:03o}\n")
        out.write("        .EVEN\n")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: font_tool.py FONT_TXT OUT_ASM [SOURCE ...]")
    try:
        write_asm(read_font(sys.argv[1]), sys.argv[2], sys.argv[3:])
    except (OSError, ValueError) as e:
        sys.exit(f"font_tool.py: {e}")
