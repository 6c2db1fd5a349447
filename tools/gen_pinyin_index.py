#!/usr/bin/env python3
"""Generate pinyin/PinyinIndex.cpp, the GBK position -> pinyin syllable table.

Readings come from the Unihan database that Debian's unicode-data package ships. For each GBK
position of a Chinese character, the readings are tried in source order (kMandarin, kHanyuPinyin,
kXHC1983), tones are stripped, u-diaeresis is written v (ue before e), and the first reading that
is a syllable of pinyin/PinyinTables.cpp wins. A short list of fixed readings then overrides the
data where sources disagree with what users expect (or where a character must stay uncoded).

The output depends only on the two inputs, so running this again must reproduce the committed
file byte for byte:

    python3 tools/gen_pinyin_index.py [--unihan PATH] [--output PATH]
"""

import argparse
import bz2
import os
import re
import sys
import unicodedata

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_UNIHAN = "/usr/share/unicode/Unihan_Readings.txt.bz2"
DEFAULT_OUTPUT = os.path.join(ROOT, "pinyin", "PinyinIndex.cpp")
SYLLABLE_SOURCE = os.path.join(ROOT, "pinyin", "PinyinTables.cpp")

ROWS, COLUMNS = 126, 191
READING_FIELDS = ("kMandarin", "kHanyuPinyin", "kXHC1983")

# Syllables that are in the list but that no character may point at.
NEVER_STORED = {"", "lia", "jv", "qv", "xv"}

# Positions whose reading is fixed regardless of the data; None keeps the position uncoded.
OVERRIDES = {
    0xB0A1: "a", 0xD7F9: "zuo", 0xD8A1: "chu", 0xF7FE: "zha", 0x8140: "yu", 0xA0FE: "bo",
    0xAAA0: "bian", 0xFD9B: "yue", 0xCDF5: "wang", 0xC0EE: "li", 0xD5C5: "zhang", 0xC1F5: "liu",
    0xB3C2: "chen", 0xD1EE: "yang", 0xBBC6: "huang", 0xD5D4: "zhao", 0xCEE2: "wu", 0xD6DC: "zhou",
    0xB3A4: "zhang", 0xD0D0: "hang", 0xD6D8: "zhong", 0xD4F8: "ceng", 0xB5A5: "dan", 0xC0D6: "le",
    0xBDE2: "jie", 0xB2E9: "cha", 0xC7F8: "qu", 0xC1A9: "liang", 0xC5AE: "nv", 0xC2C0: "lv",
    0xC2D4: "lue", 0xC5B0: "nue", 0xE0C7: "dia", 0xE1AF: "cen", 0xF1F1: "nou", 0xDAC0: "ei",
    0xD3B4: "yo", 0xC5B6: "o",
    0xB7F0: None, 0xB8F8: None, 0xF7D4: None,
}

TONE_MARKS = {"\u0300", "\u0301", "\u0304", "\u030c"}


def coded_trails(lead):
    """Trail bytes of a lead byte that may hold a Chinese character."""
    if 0x81 <= lead <= 0xA0 or 0xB0 <= lead <= 0xF7:
        return [t for t in range(0x40, 0xFF) if t != 0x7F]
    if 0xAA <= lead <= 0xAF or 0xF8 <= lead <= 0xFD:
        return [t for t in range(0x40, 0xA1) if t != 0x7F]
    return []


def is_ideograph(ch):
    return unicodedata.name(ch, "").startswith(("CJK UNIFIED IDEOGRAPH", "CJK COMPATIBILITY IDEOGRAPH"))


def load_syllables():
    with open(SYLLABLE_SOURCE, encoding="utf-8") as f:
        text = f.read()
    block = re.search(r"PinyinSyllables\[[^\]]*\]\s*=\s*\{(.*?)\n\};", text, re.S)
    if not block:
        sys.exit("gen_pinyin_index: syllable list not found in " + SYLLABLE_SOURCE)
    entries = re.findall(r'\{\s*(\d+)\s*,\s*"([a-z]*)"\s*\}', block.group(1))
    syllables = [s for _, s in entries]
    if len(syllables) != 405 or any(int(n) != len(s) for n, s in entries):
        sys.exit("gen_pinyin_index: the syllable list must hold 405 entries with matching lengths")
    return {s: i + 1 for i, s in enumerate(syllables)}


def toneless(reading):
    decomposed = unicodedata.normalize("NFD", reading.strip().lower())
    plain = "".join(c for c in decomposed if c not in TONE_MARKS)
    plain = unicodedata.normalize("NFC", plain)
    return plain.replace("üe", "ue").replace("ü", "v")


def load_readings(path):
    readings = {}
    with bz2.open(path, "rt", encoding="utf-8") as f:
        for line in f:
            if not line.startswith("U+"):
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            if field not in READING_FIELDS:
                continue
            if field == "kMandarin":
                values = value.split()
            else:  # "location:reading,reading location:reading"
                values = [r for token in value.split() for r in token.split(":", 1)[1].split(",")]
            readings.setdefault(int(code[2:], 16), {})[field] = values
    return readings


def build_index(readings, numbers):
    index = [0] * (ROWS * COLUMNS)
    for lead in range(0x81, 0xFF):
        for trail in coded_trails(lead):
            try:
                ch = bytes((lead, trail)).decode("gbk")
            except UnicodeDecodeError:
                continue
            if len(ch) != 1 or not is_ideograph(ch):
                continue
            fields = readings.get(ord(ch), {})
            for field in READING_FIELDS:
                found = next((numbers[s] for s in map(toneless, fields.get(field, []))
                              if s in numbers and s not in NEVER_STORED), 0)
                if found:
                    index[(lead - 0x81) * COLUMNS + trail - 0x40] = found
                    break
    for code, syllable in OVERRIDES.items():
        index[((code >> 8) - 0x81) * COLUMNS + (code & 0xFF) - 0x40] = numbers[syllable] if syllable else 0
    return index


def unihan_version(path):
    with bz2.open(path, "rt", encoding="utf-8") as f:
        for line in f:
            if line.startswith("# Unicode version:"):
                return "Unihan_Readings.txt (Unicode " + line.split(":", 1)[1].strip() + ")"
            if line.startswith("U+"):
                break
    return "Unihan_Readings.txt"


def render(index, source_name):
    coded = sum(1 for v in index if v)
    out = [
        "// Generated by tools/gen_pinyin_index.py from " + source_name + "; do not edit by hand.",
        "// Row = GBK lead byte - 0x81, column = trail byte - 0x40; %d positions carry a code." % coded,
        '#include "PinyinTables.h"',
        "",
        "// clang-format off",
        "const std::uint16_t PinyinIndex[PinyinIndexSize] = {",
    ]
    for row in range(ROWS):
        out.append("    // %02X" % (row + 0x81))
        values = index[row * COLUMNS:(row + 1) * COLUMNS]
        for i in range(0, COLUMNS, 16):
            out.append("    " + " ".join("%d," % v for v in values[i:i + 16]))
    out.append("};")
    out.append("// clang-format on")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--unihan", default=DEFAULT_UNIHAN)
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    args = parser.parse_args()

    numbers = load_syllables()
    index = build_index(load_readings(args.unihan), numbers)
    text = render(index, unihan_version(args.unihan))
    with open(args.output, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    print("%s: %d coded positions" % (args.output, sum(1 for v in index if v)))


if __name__ == "__main__":
    main()
