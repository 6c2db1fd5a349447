#!/usr/bin/env bash
# Regenerates the pinyin index into a temporary file and compares it with the committed one.
# Exits 77 (skipped) when python3 or the Unihan readings are not installed.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
unihan="${UNIHAN_READINGS:-/usr/share/unicode/Unihan_Readings.txt.bz2}"

command -v python3 >/dev/null || { echo "python3 not found; skipped"; exit 77; }
[ -r "$unihan" ] || { echo "$unihan not found; skipped"; exit 77; }

tmp="$(mktemp)"
trap 'rm -f "$tmp"' EXIT
python3 "$root/tools/gen_pinyin_index.py" --unihan "$unihan" --output "$tmp"
cmp "$tmp" "$root/pinyin/PinyinIndex.cpp"
