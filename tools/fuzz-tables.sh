#!/usr/bin/env bash
# Builds the libFuzzer target for the table readers (.xlsx and CSV) with ASan and UBSan,
# seeds it with small workbooks' parts and CSV files, and runs it.
# Usage: tools/fuzz-tables.sh [seconds=600] [work dir=build-fuzz-tables]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
work="${2:-$root/build-fuzz-tables}"
cxx="${CXX_FUZZ:-clang++}"

mkdir -p "$work/corpus" "$work/tmp"
# shellcheck disable=SC2046
"$cxx" -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/data" -I"$root/tablefiles" -I"$root/pinyin" $(pkg-config --cflags Qt6Core minizip) \
  "$root/tablefiles/TableReader.cpp" "$root/tablefiles/XlsxReader.cpp" "$root/tablefiles/NumberFormat.cpp" \
  "$root/data/ZipArchive.cpp" "$root/data/GbkText.cpp" "$root"/pinyin/*.cpp "$root/tests/fuzz/fuzz_tables.cpp" \
  $(pkg-config --libs Qt6Core minizip) -lcsv -o "$work/fuzz_tables"

# Seeds: a workbook's sheet, shared strings and styles split by NUL bytes, as spreadsheets
# write them (shared and inline strings, numbers under zero-padded and text formats), and
# CSV files after "CSV", and sheets as element choices after "TOK" (a title row, a row).
seed() { printf "$2" >"$work/corpus/$1"; }
if [ -z "$(ls -A "$work/corpus")" ]; then
  titles='<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c></row>'
  strings='<sst><si><t>寄件人</t></si><si><t>区号</t></si><si><r><t>邮</t></r><r><t>编</t></r><rPh><t>x</t></rPh></si></sst>'
  styles='<styleSheet><numFmts><numFmt numFmtId="164" formatCode="0000"/><numFmt numFmtId="165" formatCode="[$-804]000000;@"/><numFmt numFmtId="166" formatCode="0000\\-00000000"/></numFmts><cellStyleXfs><xf numFmtId="0"/></cellStyleXfs><cellXfs><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="165"/><xf numFmtId="49"/><xf numFmtId="166"/></cellXfs></styleSheet>'
  seed shared "<worksheet><sheetData>$titles<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>张三</t></is></c><c r=\"B2\" s=\"1\" t=\"n\"><v>471</v></c><c r=\"C2\" s=\"2\"><v>10050</v></c></row></sheetData></worksheet>\\000$strings\\000$styles"
  seed numbers "<worksheet><sheetData>$titles<row><c t=\"str\"><v>李四</v></c><c s=\"3\"><v>1.3612345678E10</v></c><c s=\"4\"><v>75512345678</v></c></row><row r=\"1048576\"><c r=\"XFD1048576\" t=\"b\"><v>1</v></c></row></sheetData></worksheet>\\000$strings\\000$styles"
  seed inline '<worksheet><sheetData><row><c t="inlineStr"><is><t>收件人</t></is></c></row><row><c t="inlineStr"><is><r><t>王</t></r><r><t>五</t></r></is></c></row></sheetData></worksheet>'
  seed tokens 'TOK\000\002\007\022\031\031\001\010\026\031\011\024\031'
  # A title row's second cell in column A holding an empty sheet and an empty row: once a crash.
  seed nested 'TOK\000\002\007\022\031\005\017\020\031'
  seed csv 'CSV寄件人,区号,邮编\r\n"张""三",0471,"010\n050"\r\n李四,,\n'
  seed csv-gbk 'CSV\xbc\xc4\xbc\xfe\xc8\xcb,\xc7\xf8\xba\xc5\n\xd5\xc5\xc8\xfd,0471\r'
fi

# The tokens a sheet is made of, for the fuzzer to put in where it mutates.
cat >"$work/xlsx.dict" <<'DICT'
"<row>"
"</row>"
"<row/>"
"<row r=\"2\">"
"<c r=\"B2\" t=\"s\">"
"<c>"
"</c>"
"<c/>"
" s=\"1\""
" t=\"n\""
" t=\"inlineStr\""
"<v>"
"</v>"
"<is><t>"
"</t></is>"
"<sheetData>"
"</sheetData>"
"<sheetData/>"
"<si><t>"
"</t></si>"
"<rPh>"
"<numFmt numFmtId=\"164\" formatCode=\""
"<cellXfs>"
"</cellXfs>"
"<xf numFmtId=\"164\"/>"
"000000"
"\"\\\""
"[$-804]"
"[Red]"
"1.5E+300"
"\x00"
DICT

cd "$work"
export TMPDIR="$work/tmp"
exec ./fuzz_tables -max_len=4096 -rss_limit_mb=4096 -dict=xlsx.dict -max_total_time="$seconds" -print_final_stats=1 corpus
