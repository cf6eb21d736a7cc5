#!/usr/bin/env bash
# Sets up, builds the debug build (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs every test through ctest; the exit status is the tests'.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
morfel_need_packages "${MORFEL_BUILD_PACKAGES[@]}"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)"
ctest --preset debug -j "$(nproc)"
tools/wine-stage.sh  # the Windows builds and their tests under wine
