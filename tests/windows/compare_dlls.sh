#!/usr/bin/env sh
# The two Windows builds of the morfel program, each beside its own DLL,
# apply every program of the starter library with every interpolation to one
# picture under wine: the results must be identical files, since a host on
# 32-bit Windows must get the very image one on 64-bit Windows gets.
#   compare_dlls.sh MORFEL64_EXE MORFEL32_EXE WORK_FOLDER PICTURE
set -u
exe64=$1
exe32=$2
work=$3
picture=$4

fail() {
  echo "compare_dlls: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
base=$(winepath -w "$work")\\base
wine "$exe64" list --base "$base" | tr -d '\r' >"$work/programs.txt" || fail "list failed"
[ -s "$work/programs.txt" ] || fail "the starter library lists no program"

runs=0
differing=0
number=0
while IFS= read -r program; do
  number=$((number + 1))
  for interp in round linear bezier; do
    out64=$work/$number-$interp-64.bmp
    out32=$work/$number-$interp-32.bmp
    wine "$exe64" apply --quiet --base "$base" --program "$program" --interp $interp \
      "$picture" "$out64" || fail "$program ($interp): the x86_64 build failed"
    wine "$exe32" apply --quiet --base "$base" --program "$program" --interp $interp \
      "$picture" "$out32" || fail "$program ($interp): the i686 build failed"
    runs=$((runs + 1))
    if ! cmp -s "$out64" "$out32"; then
      echo "compare_dlls: $program ($interp): the two builds' images differ" >&2
      differing=$((differing + 1))
    fi
  done
done <"$work/programs.txt"
[ $differing -eq 0 ] || fail "$differing of $runs images differ"
echo "compare_dlls: $runs images, identical from both builds"
