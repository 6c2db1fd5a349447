#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the program needs.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n sqlite3
  libjpeg62-turbo-dev libsodium-dev
  libxlsxwriter-dev libminizip-dev libsqlite3-dev libcsv-dev
  fcitx5-frontend-qt6
  fonts-liberation fonts-wqy-microhei
  xvfb xauth libxcb1-dev imagemagick poppler-utils unzip
  cups cups-client cups-bsd printer-driver-cups-pdf
  unicode-data python3
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
