#!/usr/bin/env bash
# Builds the Debian package build/kest_VERSION_amd64.deb (the program, the simulator,
# the desktop entry, icons and manual pages) and checks it with lintian when present.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kest kest-sim kest-icon-files kest-compressed-files
(cd build && cpack -G DEB >/dev/null)
deb=$(ls -t build/kest_*_amd64.deb | head -n1)
echo "$deb"
if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 "$deb" 2>/dev/null || true
fi
