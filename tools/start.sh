#!/usr/bin/env bash
# Installs what the program needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_BENCH=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting under Xvfb (xvfb-run)." >&2
  exec xvfb-run -a -s "-screen 0 1280x800x24" build/app/orvane-waybill
fi
exec build/app/orvane-waybill
