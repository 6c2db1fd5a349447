#!/usr/bin/env bash
# Builds the Debian package: a Release build without tests or benchmarks into build-deb/,
# then cpack. Prints the .deb's path on its last line.
#   bash tools/package-deb.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-deb}")

bash "$root/tools/setup.sh"
# dpkg-shlibdeps, which finds the libraries the program needs.
if ! dpkg-query -W -f='${Status}' dpkg-dev 2>/dev/null | grep -q 'install ok installed'; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends dpkg-dev
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/orvane-waybill_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/orvane-waybill_*.deb)
dpkg-deb --field "$deb" Package Version Depends Recommends >&2
echo "$deb"
