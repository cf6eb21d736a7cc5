#!/usr/bin/env bash
# The Windows stage of ./test.sh: cross-builds the plug-in for x86_64 and
# i686 with mingw-w64, checks both DLLs' export and import tables, runs the
# Windows build of the tests under wine on a private X display for each (the
# plug-in's real dialogs driven by a scripted user), and checks that both
# DLLs give identical images. Exits non-zero on any failure, printing the
# failing test's output.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
. tools/wine-env.sh
morfel_need_i386
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

echo "== Windows i686: configure and build"
cmake --preset windows32 >build/windows32-configure.log 2>&1 || { cat build/windows32-configure.log; exit 1; }
cmake --build --preset windows32 -j "$jobs" >build/windows32-build.log 2>&1 || {
  show_build_errors build/windows32-build.log
  exit 1
}

trap morfel_wine_down EXIT
morfel_wine_up build/windows-wine
# One program at a time (the dialogs answer to X timing); a failure fails
# the stage at once, with its output.
builds=(windows:x86_64)
if morfel_runs_i386; then
  builds+=(windows32:i686)
else
  echo "== Windows i686: built, but not run: this machine's kernel cannot start 32-bit x86 programs"
fi
for build in "${builds[@]}"; do
  echo "== Windows ${build#*:}: tests under wine"
  ctest --test-dir "build/${build%%:*}" --output-on-failure --no-tests=error -j 1
done

if morfel_runs_i386; then
  echo "== Both DLLs: every starter program with every interpolation"
  sh tests/windows/compare_dlls.sh build/windows/bin/morfel.exe build/windows32/bin/morfel.exe \
    build/windows-wine/compare docs/gallery/original.png
fi

echo "== Windows stage passed in $(($(date +%s) - started)) s"
