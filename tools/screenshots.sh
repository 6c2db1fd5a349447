#!/usr/bin/env bash
# Takes the pictures of the windows that the user guide shows, into help/images/.
# Run again after a window changes:  bash tools/screenshots.sh [name or class ...]
# (e.g. "designer" or "TfrmP2" for one picture; none for all of them).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${ORVANE_BUILD_DIR:-build}"
out=help/images

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target orvane-screenshots
mkdir -p "$out"
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
QT_QPA_PLATFORM=offscreen "$build/app/orvane-screenshots" "$shots" "$@"

# 256 colours are plenty for window pictures and keep each file small.
for png in "$shots"/*.png; do
  name=$(basename "$png")
  if command -v convert >/dev/null; then
    convert "$png" -strip -dither None -colors 256 "PNG8:$out/$name"
  else
    cp "$png" "$out/$name"
  fi
  printf '%6d bytes  %s\n' "$(stat -c %s "$out/$name")" "$out/$name"
done
