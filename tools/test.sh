#!/usr/bin/env bash
# Installs what the program and its tests need, builds everything, starts a cups-pdf
# printer as the default destination and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh
ORVANE_CUPS_PDF_DIR="$(bash tools/cups-pdf-printer.sh | tail -n 1)"
export ORVANE_CUPS_PDF_DIR
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 900
