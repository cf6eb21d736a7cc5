#!/usr/bin/env bash
# The main job of ./run.sh: applies a starter program to the sample
# photograph and says where the result is.
set -euo pipefail
cd "$(dirname "$0")/.."
morfel=build/release/bin/morfel
mkdir -p out
"$morfel" apply --base out/demo-base --program Deform/Twirl --param 270 docs/samples/chelsea.png out/chelsea-twirl.png
echo "The sample photograph twirled by the starter program Deform/Twirl: $(pwd)/out/chelsea-twirl.png"
