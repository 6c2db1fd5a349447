#!/usr/bin/env bash
# Packs the built program into a .deb in a temporary folder and checks what Debian asks of
# it: the copyright and changelog in /usr/share/doc/orvane-waybill/ (the copyright in the
# machine-readable format), a stripped program, and the form reader module where the
# program looks for it.
#   bash tools/check-deb.sh <build folder>
# Exits 77 (skipped) when dpkg-deb or dpkg-shlibdeps is not installed.
set -euo pipefail
build=$(realpath "${1:?usage: check-deb.sh <build folder>}")
for tool in dpkg-deb dpkg-shlibdeps cpack file; do
  command -v "$tool" >/dev/null || { echo "$tool not found; skipped"; exit 77; }
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null)
deb=$(ls "$out"/orvane-waybill_*.deb)
dpkg-deb -x "$deb" "$out/root"

failed=0
doc="$out/root/usr/share/doc/orvane-waybill"
if ! head -n1 "$doc/copyright" 2>/dev/null | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/'; then
  echo "no machine-readable /usr/share/doc/orvane-waybill/copyright"; failed=1
fi
if ! gzip -t "$doc/changelog.gz" 2>/dev/null; then
  echo "no /usr/share/doc/orvane-waybill/changelog.gz"; failed=1
fi
if ! file -b "$out/root/usr/bin/orvane-waybill" | grep -q ', stripped'; then
  echo "usr/bin/orvane-waybill is not stripped: $(file -b "$out/root/usr/bin/orvane-waybill")"; failed=1
fi
# The form reader the designer loads from ../lib/orvane-waybill beside the program's bin/.
if [ ! -f "$out/root/usr/lib/orvane-waybill/orvane-formscan.so" ]; then
  echo "no /usr/lib/orvane-waybill/orvane-formscan.so"; failed=1
fi
exit $failed
