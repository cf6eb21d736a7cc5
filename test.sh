#!/usr/bin/env bash
# Sets up, builds the debug build (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs every test through ctest (the Python module's pytest run among
# them); the exit status is the tests'.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
morfel_need_packages "${MORFEL_BUILD_PACKAGES[@]}" "${MORFEL_PYTHON_PACKAGES[@]}"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)"
ctest --preset debug -j "$(nproc)"
# The tests of passes on several threads under ThreadSanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$(nproc)"
build/tsan/tests/transform/transform_tests --gtest_brief=1 --gtest_filter='Pass*:PixelDriver*:RunTransform*'
build/tsan/tests/session/session_tests --gtest_brief=1
# Each fuzz target of fuzz/ for a short run (tools/fuzz.sh for longer ones).
if morfel_need_packages "${MORFEL_FUZZ_PACKAGES[@]}"; then
  for source in fuzz/*_fuzz.cpp; do tools/fuzz.sh "$(basename "$source" _fuzz.cpp)" 20; done
fi
tools/wine-stage.sh  # the Windows builds and their tests under wine
