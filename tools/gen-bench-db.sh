#!/usr/bin/env bash
# Makes a program folder whose database holds a generated shop's data, for the benchmarks:
#   bash tools/gen-bench-db.sh <dir> [waybills] [contacts]
# 1,000,000 waybills and 100,000 entries in each address book unless told otherwise; the
# same numbers always give the same data. <dir> must not hold a database yet. Builds the
# generator first (into build/, or $ORVANE_BUILD_DIR).
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: bash tools/gen-bench-db.sh <dir> [waybills] [contacts]" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BUILD_DIR:-$root/build}"
# The benchmarks switched on whatever an earlier configure of this folder chose (start.sh
# leaves them out).
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target orvane-gen-db >/dev/null
"$build/bench/orvane-gen-db" "$1" --waybills "${2:-1000000}" --contacts "${3:-100000}"
