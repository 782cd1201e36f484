#!/usr/bin/env bash
# scripts/package makes a Debian package that Debian's own checkers accept, whose dependencies apt can meet,
# and whose program runs from where the package puts it, next to its helpers, on the run's JACK server. The
# package is unpacked into a temporary folder: the machine itself is not touched.
#
#   tests/program/package_test.sh BUILD_FOLDER
set -euo pipefail
build=$(readlink -f "${1:?usage: package_test.sh BUILD_FOLDER}")
source=$(dirname "$0")/../..

work=$(mktemp -d /tmp/vuda-package.XXXXXX)
program=
# The program, when it was started, ends with the test.
trap '[[ -z $program ]] || { kill -KILL "$program"; wait "$program" || true; } 2>/dev/null; rm -rf "$work"' EXIT
source "$source/tests/program/installed_layout.sh"
[[ -n ${JACK_DEFAULT_SERVER:-} ]] || fail "no JACK server: start the run's servers with scripts/services"

deb=$(VUDA_BUILD=$build "$source/scripts/package" "$work")
version=$(dpkg-deb --field "$deb" Version)
[[ $(basename "$deb") == "orvane-vuda-verer_${version}_$(dpkg --print-architecture).deb" ]] ||
  fail "the package's file name: $deb"
# Lintian's warnings are shown; only an error fails.
lintian --fail-on error "$deb" 2> >(grep -v 'running with root privileges' >&2) || fail "lintian found errors"
# Every dependency can be met from the machine's package sources.
apt-get install --simulate "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt cannot install it"; }

root=$work/root
dpkg-deb --extract "$deb" "$root"
expect_installed "$root/usr" '"/usr/bin/orvane-vuda-verer"'
# The software catalogue's entry, checked together with the desktop entry it starts.
appstreamcli validate-tree --no-net "$root" || fail "the software catalogue's entry"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/io.github.orvane.vuda_verer.metainfo.xml" ||
  fail "the catalogue's entry does not name release $version"
zgrep -q 'midikeys\\-dry' "$root/usr/share/man/man1/orvane-vuda-verer.1.gz" || fail "the manual page lacks the options"

bin=$root/usr/bin/orvane-vuda-verer
[[ $("$bin" --version) == "orvane-vuda-verer v${version%%.*}" ]] || fail "--version and the package disagree"
# Its own home and runtime folder, so that it meets no settings and no other instance; no display.
mkdir -p "$work/home/.config/pulse" "$work/run"
echo "autospawn = no" >"$work/home/.config/pulse/client.conf"
env -u DISPLAY HOME="$work/home" XDG_RUNTIME_DIR="$work/run" "$bin" --headless --trace --midi jack >"$work/trace" 2>&1 &
program=$!
# Each module says so once it has reached the server (without one, the line goes on: "no JACK server answers").
started() { [[ $(grep -c '  MIDI through JACK, as asked$' "$work/trace") -eq 2 ]]; }
deadline=$((SECONDS + 20))
until started || ((SECONDS > deadline)) || ! kill -0 "$program" 2>/dev/null; do
  sleep 0.1
done
started || { cat "$work/trace" >&2; fail "both modules did not start on JACK"; }
