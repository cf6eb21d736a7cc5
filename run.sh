#!/usr/bin/env bash
# Sets up, builds the optimized build (the Python module among it) and runs the main job;
# ./run.sh ARGS runs morfel ARGS,
# ./run.sh studio [ARGS] runs morfel-studio.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
morfel_need_packages "${MORFEL_BUILD_PACKAGES[@]}" "${MORFEL_PYTHON_PACKAGES[@]}"
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" >/dev/null
if [ "${1:-}" = studio ]; then
  shift
  exec build/release/bin/morfel-studio "$@"
fi
if [ -x build/release/bin/morfel ]; then
  if [ $# -gt 0 ]; then
    exec build/release/bin/morfel "$@"
  fi
  exec tools/demo.sh
fi
echo "Built Morfel in build/release."
