#!/usr/bin/env bash
# The waybill listing benchmark, next to the database's own shell running the same
# statements, on generated databases of 100,000 and 1,000,000 waybills (so that memory can
# be seen not to grow with the table):
#   bash tools/bench-listing.sh [runs]            the embedded file, beside sqlite3
#   bash tools/bench-listing.sh [runs] --server   the tests' PostgreSQL cluster, beside psql
# The databases are generated once into $ORVANE_BENCH_DATA (default /tmp/orvane-bench), or
# the server databases orvane_bench_<N>, and kept for later runs. Builds into build/, or
# $ORVANE_BUILD_DIR.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BUILD_DIR:-$root/build}"
data="${ORVANE_BENCH_DATA:-/tmp/orvane-bench}"
runs="${1:-5}"
server="${2:-}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target orvane-gen-db bench_listing >/dev/null
if [ "$server" = --server ]; then
  # The password of the tests' role is in a pgpass file of the build folder.
  bash "$root/tools/pg-test-server.sh" "$build/pgpass-test" >/dev/null
  export PGPASSFILE="$build/pgpass-test"
  IFS=: read -r host port user <<<"localhost:5439:orvane_test"
else
  command -v sqlite3 >/dev/null || echo "sqlite3 is not installed (apt-get install sqlite3): no comparison column" >&2
fi

for waybills in 100000 1000000; do
  if [ "$server" = --server ]; then
    dir="$data/server-$waybills"
    db="orvane_bench_$waybills"
    mkdir -p "$dir"
    printf '[Database]\nKind=server\nHost=%s\nPort=%s\nName=%s\nUser=%s\n' "$host" "$port" "$db" "$user" >"$dir/database.ini"
    if ! psql -h "$host" -p "$port" -U "$user" -d postgres -qAtc "SELECT 1 FROM pg_database WHERE datname = '$db'" | grep -q 1 ||
       [ "$(psql -h "$host" -p "$port" -U "$user" -d "$db" -qAtc "SELECT to_regclass('ue') IS NOT NULL AND EXISTS (SELECT FROM ue)")" != t ]; then
      psql -h "$host" -p "$port" -U "$user" -d postgres -qc "DROP DATABASE IF EXISTS $db" -c "CREATE DATABASE $db"
      echo "generating $db"
      "$build/bench/orvane-gen-db" "$dir" --waybills "$waybills"
      psql -h "$host" -p "$port" -U "$user" -d "$db" -qc "VACUUM ANALYZE"
    fi
  else
    dir="$data/waybills-$waybills"
    if [ ! -f "$dir/Data/db.sqlite3" ]; then
      # Generated aside and moved into place, so an interrupted run is never taken for a finished one.
      rm -rf "$dir.partial"
      mkdir -p "$data"
      echo "generating $dir"
      "$build/bench/orvane-gen-db" "$dir.partial" --waybills "$waybills"
      mv "$dir.partial" "$dir"
    fi
  fi
  QT_QPA_PLATFORM=offscreen "$build/bench/bench_listing" "$dir" --runs "$runs"
  echo
done
