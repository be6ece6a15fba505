#!/usr/bin/env bash
# Builds the Debian package and checks it as a user meets it: the file list, the
# desktop entry and AppStream validators, lintian (no error), then installs it with
# apt, lets a new unprivileged user with an empty home run the installed kest
# (--version, init, a read from kest-sim and a report), checks that nothing was
# written outside that home and /tmp, and removes the package and the user again.
# Needs root (it installs a package and adds a user); CI runs as root.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "package-test.sh installs a package: run it as root" >&2; exit 1; }

deb=$(scripts/package.sh | grep '\.deb$' | tail -n1)
[ -f "$deb" ] || { echo "no package was built" >&2; exit 1; }
echo "== $deb"

# The file list: the program, the menu entry and what the desktop and man need.
files=$(dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}\.//')
for f in /usr/bin/kest /usr/bin/kest-sim /usr/share/applications/org.kest.Kest.desktop \
         /usr/share/metainfo/org.kest.Kest.metainfo.xml /usr/share/icons/hicolor/scalable/apps/kest.svg \
         /usr/share/icons/hicolor/48x48/apps/kest.png /usr/share/icons/hicolor/256x256/apps/kest.png \
         /usr/share/man/man1/kest.1.gz /usr/share/man/man1/kest-sim.1.gz /usr/share/doc/kest/copyright \
         /usr/share/doc/kest/changelog.gz /usr/share/kest/blanks/BLANK.INI /usr/share/kest/help/index.html \
         "/usr/share/kest/forms/Суточная ведомость/OPIS.INI"; do
    grep -qxF "$f" <<<"$files" || { echo "missing from the package: $f" >&2; exit 1; }
done
if grep -v '^/usr/' <<<"$files" | grep -q .; then
    echo "files outside /usr:" >&2; grep -v '^/usr/' <<<"$files" >&2; exit 1
fi
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "no shlibdeps dependencies" >&2; exit 1; }

unpacked=$(mktemp -d)
user=kesttest$$
home=$(mktemp -d /tmp/kest-home.XXXXXX)
sim=""
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
    rm -rf "$unpacked"
    [ -n "$sim" ] && wait "$sim" 2>/dev/null || true
    id "$user" >/dev/null 2>&1 && userdel "$user" || true
    rm -rf "$home"
    dpkg -s kest >/dev/null 2>&1 && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kest >/dev/null || true
}
trap cleanup EXIT

dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/org.kest.Kest.desktop"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/org.kest.Kest.metainfo.xml" >/dev/null
man -l "$unpacked/usr/share/man/man1/kest.1.gz" >/dev/null
if lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep '^E:'; then
    echo "lintian found errors" >&2; exit 1
fi

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
useradd --home-dir "$home" --no-create-home --user-group --shell /bin/sh "$user"
chown "$user:" "$home"
# setpriv runs the command in its own place (no session process in between), so the
# simulator's process id is the one to stop.
as_user() { setpriv --reuid="$user" --regid="$user" --init-groups env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }

as_user kest --version
as_user kest init
config="$home/.config/kest/NN.INI"
data="$home/.local/share/kest"
[ -f "$config" ] && [ -f "$data/kest.sqlite" ] || { echo "NN.INI or the archive is not in the XDG folders" >&2; exit 1; }

# A registrar on a pty under /tmp, depths that keep the simulator's old visits.
tty=/tmp/kest-registrar-$$
# Started without the shell function: $! must be the simulator itself.
setpriv --reuid="$user" --regid="$user" --init-groups env -i HOME="$home" PATH=/usr/bin:/bin \
    kest-sim --link page --records /usr/share/kest/sim/page-link.txt --pty "$tty" >/dev/null &
sim=$!
for _ in $(seq 100); do [ -e "$tty" ] && break; sleep 0.05; done
as_user sh -c "printf '[TIME]\r\nDARH=36500\r\nDARD=36500\r\nDARm=36500\r\nDok=36500\r\nRS-232=$tty\r\n' > '$config'"
as_user kest read >/dev/null
as_user cp /usr/share/kest/blanks/BLANK.INI "$data/"
as_user kest report --blank "Суточный отчет МЕРАН 1A2F" --from 2024-03-01 --to 2024-03-05 --out "$home/daily.pdf"
[ -s "$home/daily.pdf" ] || { echo "the installed kest made no report" >&2; exit 1; }
kill "$sim"; wait "$sim" || true; sim=""

# Nothing of the user's outside the home and /tmp.
stray=$(find / -xdev \( -path /proc -o -path /sys -o -path /tmp -o -path "$home" -o -path /work \) -prune \
        -o -user "$user" -print 2>/dev/null || true)
[ -z "$stray" ] || { echo "written outside the home and /tmp:" >&2; echo "$stray" >&2; exit 1; }
echo "== the installed package works for a new user; removing it"
