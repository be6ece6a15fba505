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
# The demo shows the standard forms as delivered: kest init installs only the
# missing ones, so those of an earlier run are removed first.
for form in "$root"/data/forms/*/; do
    rm -rf "${data:?}/$(basename "$form")"
done
if [ ! -f "$home/NN.INI" ]; then
    printf '[TIME]\r\nDARH=3650\r\nDARD=3650\r\nDARm=3650\r\nDok=3650\r\nDare=100\r\nKOLP=3\r\nTWORK=1\r\nRS-232=COM2\r\nPUT=%s/\r\n' \
        "$data" > "$home/NN.INI"
fi
kest="$root/build/kest --home $home"

echo "== kest init"
$kest init

# A simulated registrar on a pseudo-terminal stands in for the real one:
# KEST_SIM_LINK=page (default) or request picks the kind of link it speaks.
link="${KEST_SIM_LINK:-page}"
tty="$home/registrar-tty"
rm -f "$tty"
"$root/build/kest-sim" --link "$link" --records "$root/data/sim/$link-link.txt" --pty "$tty" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$tty" ] && break; sleep 0.05; done
[ -e "$tty" ] || { echo "kest-sim did not start" >&2; exit 1; }
# Point the demo's port at it (NN.INI is CRLF text; the key is replaced or added).
if grep -qi '^RS-232=' "$home/NN.INI"; then
    sed -i "s|^[Rr][Ss]-232=.*\r\?\$|RS-232=$tty\r|" "$home/NN.INI"
else
    printf 'RS-232=%s\r\n' "$tty" >> "$home/NN.INI"
fi

echo "== kest read ($link link): the registrar's records into the demo database"
$kest read || echo "kest read failed (exit $?)"

# The example blanks report on controller 1A2F, whose visit of 05.03.2024 the
# simulator serves; exit 2 (no data for the period) does not stop the demo.
[ -e "$data/BLANK.INI" ] || cp "$root/data/blanks/BLANK.INI" "$data/BLANK.INI"
echo "== kest report: the example blanks as PDF and XLSX in $home"
for fmt in pdf xlsx; do
    $kest report --blank "Часовой отчет МЕРАН 1A2F" --from 2024-03-02 --to 2024-03-04 --to-hour 23 \
        --out "$home/report-hourly.$fmt" || echo "hourly report: exit $?"
    $kest report --blank "Суточный отчет МЕРАН 1A2F" --from 2024-03-01 --to 2024-03-05 \
        --out "$home/report-daily.$fmt" || echo "daily report: exit $?"
done

# The delivered standard forms (installed by kest init) filled for controller 0B21, a
# heat-metering unit whose visit of 31.12.2007 a second simulated registrar serves
# (data/sim/heat-meter.txt): daily values 01.12-30.12.2007, hourly 28.12-31.12.2007,
# monthly January-November 2007.
point_port() {
    sed -i "s|^[Rr][Ss]-232=.*\r\?\$|RS-232=$1\r|" "$home/NN.INI"
}
meter_tty="$home/heat-meter-tty"
rm -f "$meter_tty"
"$root/build/kest-sim" --link page --records "$root/data/sim/heat-meter.txt" --pty "$meter_tty" &
meter_sim=$!
trap 'kill $sim $meter_sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$meter_tty" ] && break; sleep 0.05; done
point_port "$meter_tty"
echo "== kest read: the heat-metering unit's record for the standard forms"
$kest read >/dev/null || echo "kest read of the heat-metering unit failed (exit $?)"
kill $meter_sim 2>/dev/null || true
point_port "$tty"

echo "== kest form: the delivered standard forms as PDF in $home"
$kest form --form "Суточная ведомость" --controller 0B21 --from 2007-12-01 --to 2007-12-30 \
    --out "$home/form-daily.pdf" || echo "daily form: exit $?"
$kest form --form "Часовая ведомость" --controller 0B21 --from 2007-12-30 --to 2007-12-30 --to-hour 23 \
    --out "$home/form-hourly.pdf" || echo "hourly form: exit $?"
$kest form --form "Годовая сводка" --controller 0B21 --from 2007-01-01 --to 2007-11-01 \
    --out "$home/form-monthly.pdf" || echo "monthly form: exit $?"
echo "== kest report --chart and kest gaps: the hourly chart and the holes of the archive"
$kest report --blank "Часовой отчет МЕРАН 1A2F" --from 2024-03-02 --to 2024-03-04 --to-hour 23 \
    --chart --out "$home/chart-hourly.png" || echo "hourly chart: exit $?"
$kest gaps --from 2024-03-01 --to 2024-03-05 --out "$home/gaps.csv" || echo "gaps: exit $?"

if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ "${KEST_HEADLESS:-0}" != 1 ]; then
    # The simulator keeps running for the windows: the main window connects to it at
    # start-up, and "Чтение" reads its records again.
    echo "== starting the program's windows (registrar simulator on $tty)"
    $kest
    exit $?
fi
echo "No display: the demo ran headless. Data folder: $data"
ls -l "$data" "$home"/report-* "$home"/form-* "$home"/chart-* "$home"/gaps.csv
