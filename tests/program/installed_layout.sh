# shellcheck shell=bash
# What every way of installing the program must give, whatever the prefix: sourced by install_test.sh and
# package_test.sh.

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# expect_installed PREFIX EXEC: the program, each module's helper where the program looks for it (the Key
# Stroke one finds its companion beside it), a valid desktop entry whose command line is EXEC, and its icon.
expect_installed() {
  local prefix=$1 exec=$2 helper said
  [[ -x $prefix/bin/orvane-vuda-verer ]] || fail "no program in $prefix/bin"
  for helper in e16colour.py midikeys_e16colour.py; do
    said=$(/usr/bin/python3 "$prefix/share/orvane-vuda-verer/helpers/$helper" 2>&1) && fail "$helper accepted no arguments"
    [[ $said == *"expected 4 arguments"* ]] || fail "$helper does not run from where it is installed: $said"
  done
  local entry=$prefix/share/applications/orvane-vuda-verer.desktop
  desktop-file-validate "$entry" || fail "the desktop entry is not valid"
  grep -qxF "Exec=$exec" "$entry" || fail "the entry does not start the installed program"
  grep -qx 'Categories=AudioVideo;Audio;Midi;' "$entry" || fail "the entry's categories"
  local icon
  icon=$(sed -n 's/^Icon=//p' "$entry")
  /usr/bin/python3 -c 'import sys, xml.etree.ElementTree as t; sys.exit(t.parse(sys.argv[1]).getroot().tag != "{http://www.w3.org/2000/svg}svg")' \
    "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "no scalable icon named $icon"
}
