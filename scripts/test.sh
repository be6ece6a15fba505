#!/usr/bin/env bash
# Builds everything and runs every test: the full build with the windows, then a
# core-only build (no Qt) under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
scripts/check-layers.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
export QT_QPA_PLATFORM=offscreen
# The server tests start their own PostgreSQL; here a missing one fails instead of skipping.
export KEST_REQUIRE_PG=1
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKEST_GUI=OFF -DKEST_SANITIZE=ON -DKEST_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
(cd build-asan && ctest --output-on-failure -j "$jobs")

# The Debian package, installed and started as a new user (root only: it installs).
if [ "$(id -u)" -eq 0 ]; then
    scripts/package-test.sh
fi
