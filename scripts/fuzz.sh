#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60).
# Crashes land in build-fuzz/fuzz/crash-* with the input that caused them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
command -v clang++ >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq clang libclang-rt-14-dev; }
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKEST_FUZZ=ON -DKEST_GUI=OFF -DKEST_TESTS=OFF -DKEST_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
cd build-fuzz/fuzz
for target in *Fuzz; do
    echo "== $target for ${seconds}s"
    mkdir -p "corpus-$target"
    "./$target" -max_total_time="$seconds" -max_len=4096 "corpus-$target" 2>&1 | tail -2
done
