#!/usr/bin/env bash
# Pictures of the windows for the documentation and for review: the window tests
# save every window they open into the folder (default screenshots/), and when the
# demo folder exists (scripts/run.sh makes it) the chart of its hourly report too.
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-screenshots}"
scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kest kest_ui_tests
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The offscreen platform chatters on stderr about window hints; failures still stop the script.
KEST_SCREENSHOTS="$out" QT_QPA_PLATFORM=offscreen build/kest_ui_tests >/dev/null 2>&1 || {
    echo "the window tests failed; run build/kest_ui_tests to see why" >&2
    exit 1
}
if [ -f demo/NN.INI ]; then
    build/kest --home demo report --blank "Часовой отчет МЕРАН 1A2F" --from 2024-03-02 --to 2024-03-04 \
        --to-hour 23 --chart --out "$out/chart-demo.png" || echo "demo chart: exit $?"
fi
ls -l "$out"
