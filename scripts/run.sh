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
    printf '[TIME]\r\nDARH=3650\r\nDARD=3650\r\nDARm=3650\r\nDok=3650\r\nDare=100\r\nKOLP=3\r\nTWORK=1\r\nRS-232=COM2\r\nPUT=%s/\r\n' \
        "$data" > "$home/NN.INI"
fi
kest="$root/build/kest --home $home"

echo "== kest init"
$kest init

if [ -n "${DISPLAY:-}" ] && [ "${KEST_HEADLESS:-0}" != 1 ]; then
    echo "== starting the program's windows"
    exec $kest
fi
echo "No display: the demo ran headless. Data folder: $data"
ls -l "$data"
