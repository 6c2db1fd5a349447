#!/usr/bin/env bash
# Builds the libFuzzer target for the JPEG decoder with ASan and UBSan and runs it.
# Usage: tools/fuzz-jpeg.sh [seconds=600] [work dir=build-fuzz-jpeg]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
work="${2:-$root/build-fuzz-jpeg}"
cxx="${CXX_FUZZ:-clang++}"

mkdir -p "$work/corpus"
# shellcheck disable=SC2046
"$cxx" -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/data" -I"$root/couriers" $(pkg-config --cflags Qt6Gui) \
  "$root/couriers/JpegLoader.cpp" "$root/tests/fuzz/fuzz_jpeg.cpp" \
  $(pkg-config --libs Qt6Gui) -ljpeg -o "$work/fuzz_jpeg"

# Seed with small real JPEGs: baseline, progressive and grayscale.
if [ -z "$(ls -A "$work/corpus")" ] && command -v convert >/dev/null; then
  convert -size 17x9 gradient:red-blue -quality 80 "$work/corpus/baseline.jpg"
  convert -size 16x16 plasma:fractal -interlace JPEG "$work/corpus/progressive.jpg"
  convert -size 8x24 gradient: -colorspace Gray "$work/corpus/gray.jpg"
fi

cd "$work"
# Pictures up to the loader's own limits would make single runs slow; keep inputs small.
exec ./fuzz_jpeg -max_len=4096 -rss_limit_mb=4096 -max_total_time="$seconds" -print_final_stats=1 corpus
