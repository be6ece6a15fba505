#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (the code under test instrumented as well)
# and runs each for SECONDS (default 300). Corpora live in fuzz/corpus/TARGET, outside
# the build folder, and grow from run to run; fuzz/seeds/TARGET starts them. A crash
# lands in build-fuzz/fuzz/crash-* with the input that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
command -v clang++ >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq clang libclang-rt-14-dev; }
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKEST_FUZZ=ON -DKEST_GUI=OFF -DKEST_TESTS=OFF -DKEST_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
root=$PWD
failed=0
cd build-fuzz/fuzz
for source in "$root"/fuzz/*Fuzz.cpp; do
    target=$(basename "$source" .cpp)
    [ -x "$target" ] || { echo "== $target was not built"; failed=1; continue; }
    corpus="$root/fuzz/corpus/$target"
    mkdir -p "$corpus"
    seeds=()
    [ -d "$root/fuzz/seeds/$target" ] && seeds=("$root/fuzz/seeds/$target")
    echo "== $target for ${seconds}s, corpus $(find "$corpus" -type f | wc -l) inputs"
    set +e
    "./$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        "$corpus" "${seeds[@]}" >"$target.log" 2>&1
    status=$?
    set -e
    # The last progress line has the coverage (cov: edges, ft: features) and the
    # executions; the final statistics follow it.
    grep -E '^#[0-9]+' "$target.log" | tail -1
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$target.log"
    if [ "$status" -ne 0 ]; then
        echo "!! $target failed (exit $status); see build-fuzz/fuzz/$target.log"
        grep -E 'ERROR|SUMMARY|Test unit written' "$target.log" | head -5
        failed=1
    fi
done
exit "$failed"
