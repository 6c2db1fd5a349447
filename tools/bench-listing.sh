#!/usr/bin/env bash
# The waybill listing benchmark, next to the sqlite3 shell, on generated databases of
# 100,000 and 1,000,000 waybills (so that memory can be seen not to grow with the table):
#   bash tools/bench-listing.sh [runs]
# The databases are generated once into $ORVANE_BENCH_DATA (default /tmp/orvane-bench)
# and kept for later runs. Builds into build/, or $ORVANE_BUILD_DIR.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BUILD_DIR:-$root/build}"
data="${ORVANE_BENCH_DATA:-/tmp/orvane-bench}"
runs="${1:-5}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target orvane-gen-db bench_listing >/dev/null
command -v sqlite3 >/dev/null || echo "sqlite3 is not installed (apt-get install sqlite3): no comparison column" >&2

for waybills in 100000 1000000; do
  dir="$data/waybills-$waybills"
  if [ ! -f "$dir/Data/db.sqlite3" ]; then
    # Generated aside and moved into place, so an interrupted run is never taken for a finished one.
    rm -rf "$dir.partial"
    mkdir -p "$data"
    echo "generating $dir"
    "$build/bench/orvane-gen-db" "$dir.partial" --waybills "$waybills"
    mv "$dir.partial" "$dir"
  fi
  QT_QPA_PLATFORM=offscreen "$build/bench/bench_listing" "$dir" --runs "$runs"
  echo
done
