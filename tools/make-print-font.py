#!/usr/bin/env python3
"""Makes the print face: one face of a Noto Sans CJK collection under a family name of its
own, whose character map gives each shared glyph only to the character people type.

Noto Sans CJK draws a Kangxi radical (U+2F08 ⼈) and the ideograph it looks like (U+4EBA 人)
with one glyph, and some symbols with the glyph of their full-width form. A PDF writer that
maps a glyph back to the lowest character drawing it (Qt's does) then writes 人 as ⼈, and a
saved waybill cannot be searched or copied. Without the look-alikes in the map, the glyph
reads back as the character printed; the outlines and metrics are the original's.

usage: make-print-font.py <collection.ttc> <family in it> <new family> <output.otf>
"""
import sys

from fontTools.ttLib import TTCollection


def rank(code):
    """Which of the characters sharing a glyph keeps it: the lowest rank wins."""
    if 0x4E00 <= code <= 0x9FFF:
        return 0  # the common ideographs (胶, not the rare 㬵 drawn alike)
    if 0xFF01 <= code <= 0xFF5E:
        return 1  # full-width forms, as a Chinese keyboard types them
    if 0x3400 <= code <= 0x4DBF or 0xF900 <= code <= 0xFAFF:
        return 2  # rare and compatibility ideographs
    if 0x3000 <= code <= 0x303F:
        return 3  # CJK symbols and punctuation
    return 4


def main(source, family, new_family, output):
    collection = TTCollection(source, lazy=True, recalcBBoxes=False, recalcTimestamp=False)
    fonts = [f for f in collection.fonts if f["name"].getDebugName(1) == family]
    if not fonts:
        sys.exit(f"{source} holds no face of {family}")
    font = fonts[0]

    best = {}
    for code, glyph in font.getBestCmap().items():
        best[glyph] = min(best.get(glyph, 4), rank(code))
    dropped = set()
    for table in font["cmap"].tables:
        if not hasattr(table, "cmap"):
            continue  # variation sequences name no single character
        for code in [c for c, g in table.cmap.items() if rank(c) > best[g]]:
            del table.cmap[code]
            dropped.add(code)

    old_ps = family.replace(" ", "")
    new_ps = new_family.replace(" ", "")
    for record in font["name"].names:
        text = record.toUnicode()
        if family in text:
            record.string = text.replace(family, new_family)
        elif record.nameID == 6 or old_ps.lower() in text.lower():
            # PostScript names: NotoSansCJKsc-Bold → NotoSansCJKscPrint-Bold
            head, _, tail = text.partition("-")
            record.string = head + new_ps[len(old_ps):] + ("-" + tail if tail else "")
    font.save(output)
    print(f"{output}: {len(dropped)} look-alike characters taken out of the map")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
