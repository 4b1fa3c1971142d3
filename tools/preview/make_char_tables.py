#!/usr/bin/env python3
"""Writes char_tables_data.cpp: the upper halves (80-FF) of the printer's
PC code pages as Unicode, from Python's own codecs, and for every character
in them the drawing the preview's font gives it (a plain letter with an
accent, a box-drawing line, a shade). Run it from this folder after adding a
table:  ./make_char_tables.py > char_tables_data.cpp"""
import unicodedata

TABLES = [("PC437", "cp437"), ("PC850", "cp850"), ("PC852", "cp852"), ("PC858", "cp858")]
MARKS = {  # combining mark -> the accent's number in text_font.cpp
    0x0300: 1, 0x0301: 2, 0x0302: 3, 0x0303: 4, 0x0308: 5, 0x030A: 6, 0x030C: 7,
    0x0327: 8, 0x0328: 9, 0x0307: 10, 0x030B: 11, 0x0306: 12,
}
WEIGHT = {"LIGHT": 1, "HEAVY": 2, "DOUBLE": 2}


def accented(ch):
    d = unicodedata.decomposition(ch).split()
    if len(d) != 2 or d[0].startswith("<"):
        return None
    base, mark = int(d[0], 16), int(d[1], 16)
    if base < 0x20 or base > 0x7E or mark not in MARKS:
        return None
    return base, MARKS[mark]


def box(ch):
    """Up, down, left and right line weights of a box-drawing character."""
    name = unicodedata.name(ch, "")
    if not name.startswith("BOX DRAWINGS "):
        return None
    words = name[len("BOX DRAWINGS "):].split()
    weights = dict(WEIGHT, SINGLE=1)
    sides = {"UP": 0, "DOWN": 0, "LEFT": 0, "RIGHT": 0}
    groups = {"VERTICAL": ("UP", "DOWN"), "HORIZONTAL": ("LEFT", "RIGHT")}
    weight = 1  # a weight before a direction holds for the directions after it
    for i, w in enumerate(words):
        if w in weights and (i == 0 or words[i - 1] == "AND"):
            weight = weights[w]
        elif w in sides or w in groups:
            # a weight right after a direction is that direction's own
            own = weights.get(words[i + 1]) if i + 1 < len(words) else None
            for side in groups.get(w, (w,)):
                sides[side] = own or weight
        elif w not in weights and w != "AND":
            return None
    return sides["UP"], sides["DOWN"], sides["LEFT"], sides["RIGHT"]


SHADES = {"LIGHT SHADE": 1, "MEDIUM SHADE": 2, "DARK SHADE": 3, "FULL BLOCK": 4, "LOWER HALF BLOCK": 5,
          "UPPER HALF BLOCK": 6, "LEFT HALF BLOCK": 7, "RIGHT HALF BLOCK": 8, "BLACK SQUARE": 9}

print("// Written by make_char_tables.py from Python's codecs; do not edit.")
print('#include "char_tables_data.h"\n')
chars = set()
for name, codec in TABLES:
    text = bytes(range(0x80, 0x100)).decode(codec)
    chars.update(text)
    print(f"const uint16_t k{name}Upper[128] = {{")
    for row in range(0, 128, 8):
        print("    " + ", ".join(f"0x{ord(c):04X}" for c in text[row:row + 8]) + ",")
    print("};\n")
print("const Drawing kDrawings[] = {")
count = 0
for ch in sorted(chars):
    a, b, s = accented(ch), box(ch), SHADES.get(unicodedata.name(ch, ""))
    if a:
        print(f"    {{0x{ord(ch):04X}, DrawingKind::Accented, {a[0]}, {a[1]}, 0, 0}}, // {unicodedata.name(ch)}")
    elif b:
        print(f"    {{0x{ord(ch):04X}, DrawingKind::Box, {b[0]}, {b[1]}, {b[2]}, {b[3]}}}, // {unicodedata.name(ch)}")
    elif s:
        print(f"    {{0x{ord(ch):04X}, DrawingKind::Block, {s}, 0, 0, 0}}, // {unicodedata.name(ch)}")
    else:
        continue
    count += 1
print("};")
print(f"const size_t kDrawingCount = {count};")
