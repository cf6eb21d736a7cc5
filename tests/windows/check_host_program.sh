#!/usr/bin/env sh
# The morfel program as cross-built for Windows, run under wine: it loads
# morfel.dll from its own folder and works the plug-in's real dialogs with
# the scripted user (--plugin: apply goes through the plug-in binary as an
# image editor's host does, not through morfel's own direct path).
#   check_host_program.sh MORFEL_EXE WORK_FOLDER PICTURE.png
set -u
exe=$1
work=$2
picture=$3

fail() {
  echo "check_host_program: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
base=$(winepath -w "$work")\\base
plugin=$(winepath -w "$(dirname "$exe")/morfel.dll")

title=$(wine "$exe" title | tr -d '\r')
[ "$title" = "Morfel" ] || fail "title printed '$title'"

wine "$exe" apply --plugin "$plugin" --base "$base" --program Colour/Invert "$picture" "$work/inverted.png" ||
  fail "apply failed with status $?"
size=$(file "$picture" | grep -o '[0-9]* x [0-9]*')
file "$work/inverted.png" | grep -q "PNG image data, $size" ||
  fail "the result is not a PNG of $size: $(file "$work/inverted.png")"

wine "$exe" apply --plugin "$plugin" --base "$base" --transform 'R=(;' "$picture" "$work/never.png" 2>"$work/error.txt"
status=$?
[ $status -eq 1 ] || fail "a faulty program ended with status $status, expected 1"
[ ! -e "$work/never.png" ] || fail "a faulty program still wrote its result"
echo "check_host_program: title, apply and a faulty program behave under wine"
