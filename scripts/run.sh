#!/usr/bin/env bash
# The program's main job on a demo data folder: installs what is missing, builds,
# prepares demo/ (NN.INI and an initialised archive database) and starts Kest.
# Without a display it runs the headless commands and says what they made.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

home="$root/demo"
data="$home/data"
mkdir -p "$data"
if [ ! -f "$home/NN.INI" ]; then
    printf '[TIME]\r\nDARH=3650\r\nDARD=3650\r\nDARm=3650\r\nDok=3650\r\nDare=100\r\nKOLP=3\r\nTWORK=1\r\nRS-232=%s/tty\r\nPUT=%s/\r\n' \
        "$home" "$data" > "$home/NN.INI"
fi
kest="$root/build/kest --home $home"

echo "== kest init"
$kest init

echo "== kest read (kest-sim serving data/sim/page-link.txt on $home/tty)"
"$root/build/kest-sim" --link page --records "$root/data/sim/page-link.txt" --pty "$home/tty" &
sim=$!
for _ in $(seq 50); do [ -e "$home/tty" ] && break; sleep 0.1; done
$kest read || echo "kest read failed (exit $?)"
kill $sim 2>/dev/null || true
wait $sim 2>/dev/null || true

if [ -n "${DISPLAY:-}" ] && [ "${KEST_HEADLESS:-0}" != 1 ]; then
    echo "== starting the program's windows"
    exec $kest
fi
echo "No display: the demo ran headless. Data folder: $data"
ls -l "$data"
