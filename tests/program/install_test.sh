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
source "$source/tests/program/installed_layout.sh"

VUDA_BUILD=$build "$source/scripts/install" --autostart
prefix=$HOME/.local

[[ $("$prefix/bin/orvane-vuda-verer" --version) == "orvane-vuda-verer v1" ]] || fail "the installed program does not run"
expect_installed "$prefix" "\"$prefix/bin/orvane-vuda-verer\""
autostart=$XDG_CONFIG_HOME/autostart/orvane-vuda-verer.desktop
desktop-file-validate "$autostart" || fail "the autostart entry is not valid"
grep -qxF "Exec=\"$prefix/bin/orvane-vuda-verer\" --login" "$autostart" || fail "autostart does not pass --login"

VUDA_BUILD=$build "$source/scripts/install" --no-autostart
[[ ! -e $autostart ]] || fail "--no-autostart left the autostart entry"
[[ -x $prefix/bin/orvane-vuda-verer ]] || fail "a second install lost the program"
