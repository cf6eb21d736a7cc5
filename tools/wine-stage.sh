#!/usr/bin/env bash
# The Windows stage of ./test.sh: cross-builds the plug-in for x86_64 and
# i686 with mingw-w64, checks both DLLs' export and import tables, and runs
# the Windows build of the tests under wine on a private X display, the
# plug-in's real dialogs driven by a scripted user. Exits non-zero on any
# failure, printing the failing test's output.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
. tools/wine-env.sh
morfel_need_packages "${MORFEL_WINE_PACKAGES[@]}"

# The compiler's and linker's complaints about our own files, not the pages
# of system header noise that one wrong include order produces.
show_build_errors() {
  grep -m 40 -E "^$(pwd)[^:]*:[0-9]+:[0-9]+: error|undefined reference|In file included from $(pwd)|Error [0-9]" "$1" ||
    tail -n 40 "$1"
  echo "(the whole log: $1)"
}

started=$(date +%s)
jobs=$(nproc)

echo "== Windows x86_64: configure and build"
cmake --preset windows >build/windows-configure.log 2>&1 || { cat build/windows-configure.log; exit 1; }
cmake --build --preset windows -j "$jobs" >build/windows-build.log 2>&1 || {
  show_build_errors build/windows-build.log
  exit 1
}

echo "== Windows i686: configure, build the plug-in, check its exports"
cmake --preset windows32 >build/windows32-configure.log 2>&1 || { cat build/windows32-configure.log; exit 1; }
cmake --build --preset windows32 -j "$jobs" >build/windows32-build.log 2>&1 || {
  show_build_errors build/windows32-build.log
  exit 1
}
# Beside the host program when that is built, else in the plug-in's folder.
dll32=build/windows32/bin/morfel.dll
[ -f "$dll32" ] || dll32=build/windows32/plugin/morfel.dll
sh tests/windows/check_exports.sh i686-w64-mingw32-objdump "$dll32" pei-i386

echo "== Windows x86_64: tests under wine"
trap morfel_wine_down EXIT
morfel_wine_up build/windows-wine
# One program at a time, and a program that fails is run once more: the
# dialogs under wine answer to X timing, which a loaded machine can upset
# (a failure that repeats still fails the stage, and the first one is shown).
ctest --test-dir build/windows --output-on-failure -j 1 --repeat until-pass:2

echo "== Windows stage passed in $(($(date +%s) - started)) s"
