#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(cmake g++ make pkg-config libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libxlsxwriter-dev zlib1g-dev
          fonts-dejavu-core xvfb xauth imagemagick poppler-utils unzip sqlite3 pxlib-dev
          dpkg-dev desktop-file-utils appstream lintian cups printer-driver-cups-pdf)
# The archive server: libpq for the program, PostgreSQL 15 for the tests that start their own.
packages+=(libpq-dev postgresql)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
