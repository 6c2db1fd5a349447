#!/usr/bin/env bash
# Installs what the program and its tests need, builds everything, starts a cups-pdf
# printer as the default destination and a PostgreSQL cluster of the tests' own, and runs
# every test (those that touch the database on both the file and the server).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# Tests and benchmarks on, whatever an earlier start.sh left in the build folder's cache.
bash tools/build.sh -DORVANE_BUILD_TESTS=ON -DORVANE_BUILD_BENCH=ON
ORVANE_CUPS_PDF_DIR="$(bash tools/cups-pdf-printer.sh | tail -n 1)"
export ORVANE_CUPS_PDF_DIR
# The suite runs a second time on a PostgreSQL server: the tests' own local cluster.
bash tools/pg-test-server.sh build/pgpass-test
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 900
