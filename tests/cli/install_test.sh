#!/usr/bin/env bash
# An installed tree, moved whole to another folder, still runs: morfel finds
# its plug-in relative to itself and gives the build tree's pixels; the man
# page, the bash completion and the studio's desktop entry are in place.
# Arguments: the build folder, the source folder.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/installed" >/dev/null
mv "$work/installed" "$work/moved"
tree=$work/moved

for file in bin/morfel bin/morfel-studio share/man/man1/morfel.1 \
            share/bash-completion/completions/morfel share/applications/morfel-studio.desktop \
            share/icons/hicolor/scalable/apps/morfel-studio.svg; do
  [ -f "$tree/$file" ] || { echo "not installed: $file"; exit 1; }
done
plugin=$(find "$tree" -name libmorfel.so)
[ -n "$plugin" ] || { echo "the plug-in is not installed"; exit 1; }
[ ! -e "$tree/bin/libmorfel.so" ] || { echo "the plug-in is installed beside the programs"; exit 1; }
grep -q '^Exec=morfel-studio' "$tree/share/applications/morfel-studio.desktop"

"$tree/bin/morfel" --version >/dev/null
photo=$source/docs/samples/chelsea.png
"$tree/bin/morfel" apply --quiet --base "$work/base-installed" --program Deform/Twirl --param 90 \
  "$photo" "$work/installed.png"
"$build/bin/morfel" apply --quiet --base "$work/base-built" --program Deform/Twirl --param 90 \
  "$photo" "$work/built.png"
cmp "$work/installed.png" "$work/built.png"

# The GEGL operation, where it is built, lands in the layout of GEGL's user
# plug-in folder: the gegl tool finds it with XDG_DATA_HOME at the tree's
# share/ (a sanitized module needs its runtime preloaded into the tool).
if [ -f "$build/gegl/plug-ins/morfel-gegl.so" ]; then
  preload=()
  if grep -q '^MORFEL_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
    preload=("LD_PRELOAD=$("$compiler" -print-file-name=libasan.so)" ASAN_OPTIONS=detect_leaks=0)
  fi
  env -u GEGL_PATH "${preload[@]}" XDG_DATA_HOME="$tree/share" gegl --exists morfel:apply ||
    { echo "gegl does not find morfel:apply in the installed tree"; exit 1; }
fi
