#!/usr/bin/env bash
# Pictures of the windows for the documentation and for review, in build/screenshots/
# (or the folder given). The window tests save every window they open, menus
# included; then the program itself is started under Xvfb against the registrar
# simulator and the screen is taken once it has connected. When the demo folder
# exists (scripts/run.sh makes it) the chart of its hourly report comes too.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

out="${1:-build/screenshots}"
scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kest kest-sim kest_ui_tests
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The offscreen platform chatters on stderr about window hints; failures still stop the script.
KEST_SCREENSHOTS="$out" QT_QPA_PLATFORM=offscreen build/kest_ui_tests >/dev/null 2>&1 || {
    echo "the window tests failed; run build/kest_ui_tests to see why" >&2
    exit 1
}

# The program as a dispatcher sees it: started on a fresh folder with the simulator
# on a pseudo-terminal, after the start-up has connected and read the catalog.
live=$(mktemp -d)
cleanup() {
    [ -n "${sim:-}" ] && kill "$sim" 2>/dev/null || true
    rm -rf "$live"
}
trap cleanup EXIT
mkdir -p "$live/data"
printf '[TIME]\r\nKOLP=1\r\nTWORK=1\r\nRS-232=%s\r\nPUT=%s/\r\n' "$live/tty" "$live/data" >"$live/NN.INI"
build/kest --home "$live" init >/dev/null
build/kest-sim --link page --records data/sim/page-link.txt --pty "$live/tty" &
sim=$!
for _ in $(seq 100); do [ -e "$live/tty" ] && break; sleep 0.05; done
cat >"$live/shoot.sh" <<SHOOT
#!/usr/bin/env bash
"$root/build/kest" --home "$live" &
kest=\$!
sleep 6
import -window root "$out/program-under-xvfb.png"
kill \$kest
SHOOT
chmod +x "$live/shoot.sh"
xvfb-run -a -s "-screen 0 800x500x24" "$live/shoot.sh" || echo "the program under Xvfb: exit $?"

if [ -f demo/NN.INI ]; then
    build/kest --home demo report --blank "Часовой отчет МЕРАН 1A2F" --from 2024-03-02 --to 2024-03-04 \
        --to-hour 23 --chart --out "$out/chart-demo.png" || echo "demo chart: exit $?"
fi
ls -l "$out"
