#!/usr/bin/env bash
# Builds the libFuzzer target for PinyinCode with ASan and UBSan and runs it.
# Usage: tools/fuzz-pinyin.sh [seconds=600] [work dir=build-fuzz-pinyin]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
work="${2:-$root/build-fuzz-pinyin}"
cxx="${CXX_FUZZ:-clang++}"

mkdir -p "$work/corpus"
"$cxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/pinyin" "$root"/pinyin/*.cpp "$root/tests/fuzz/fuzz_pinyin.cpp" -o "$work/fuzz_pinyin"

# Seed with a little real GBK text so the fuzzer starts inside the double-byte rows.
if [ -z "$(ls -A "$work/corpus")" ] && command -v iconv >/dev/null; then
  i=0
  for text in '张三' '中国邮政 EMS' '北京市朝阳区3号楼①' 'ＡＢｃ！α射线' '张三、李四'; do
    { printf '\002\000\000\000\177'; printf '%s' "$text" | iconv -f UTF-8 -t GBK; } >"$work/corpus/seed$i"
    i=$((i + 1))
  done
fi

cd "$work"
exec ./fuzz_pinyin -max_total_time="$seconds" -print_final_stats=1 corpus
