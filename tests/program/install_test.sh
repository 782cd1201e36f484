#!/usr/bin/env bash
# scripts/install for a user whose home folder has a space in its name: everything lands where the program
# and the desktop look for it, the helpers run from there, and the autostart entry comes and goes.
#
#   tests/program/install_test.sh BUILD_FOLDER
set -euo pipefail
build=$(readlink -f "${1:?usage: install_test.sh BUILD_FOLDER}")
source=$(dirname "$0")/../..

work=$(mktemp -d "/tmp/vuda install.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

VUDA_BUILD=$build "$source/scripts/install" --autostart
prefix=$HOME/.local

[[ $("$prefix/bin/orvane-vuda-verer" --version) == "orvane-vuda-verer v1" ]] || fail "the installed program does not run"
# Each module's helper where that module runs it; the Key Stroke one finds its companion beside it.
for helper in lib/orvane/e16colour.py share/orvane-vuda-verer/helpers/midikeys_e16colour.py; do
  said=$(/usr/bin/python3 "$prefix/$helper" 2>&1) && fail "$helper accepted no arguments"
  [[ $said == *"expected 4 arguments"* ]] || fail "$helper does not run from where it is installed: $said"
done

entry=$prefix/share/applications/orvane-vuda-verer.desktop
autostart=$XDG_CONFIG_HOME/autostart/orvane-vuda-verer.desktop
desktop-file-validate "$entry" "$autostart" || fail "a desktop entry is not valid"
grep -qx "Exec=\"$prefix/bin/orvane-vuda-verer\"" "$entry" || fail "the entry does not start the installed program"
grep -qx "Exec=\"$prefix/bin/orvane-vuda-verer\" --login" "$autostart" || fail "autostart does not pass --login"
grep -qx 'Categories=AudioVideo;Audio;Midi;' "$entry" || fail "the entry's categories"
icon=$(sed -n 's/^Icon=//p' "$entry")
/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as t; sys.exit(t.parse(sys.argv[1]).getroot().tag != "{http://www.w3.org/2000/svg}svg")' \
  "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "no scalable icon named $icon"

VUDA_BUILD=$build "$source/scripts/install" --no-autostart
[[ ! -e $autostart ]] || fail "--no-autostart left the autostart entry"
[[ -x $prefix/bin/orvane-vuda-verer ]] || fail "a second install lost the program"
