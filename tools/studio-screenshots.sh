#!/usr/bin/env bash
# Takes the studio's pictures for the README with morfel-studio --screenshot,
# drawn offscreen: the window with Deform/Twirl on the sample photograph, and
# an error marked in the editor, and the top-left pixel of Filter/Box blur
# traced. STUDIO names another build's program.
set -euo pipefail
cd "$(dirname "$0")/.."
studio=${STUDIO:-build/release/bin/morfel-studio}
base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
export QT_QPA_PLATFORM=offscreen
"$studio" --base "$base" --program Deform/Twirl --screenshot docs/studio.png \
  docs/samples/chelsea.png
"$studio" --base "$base" --program Deform/Wave \
  --transform $'x=x+amp*sin(y*k);\ny=y+amp*sin(x*k;\n' --screenshot docs/studio-error.png \
  docs/samples/chelsea.png
"$studio" --base "$base" --program "Filter/Box blur" --trace 0,0 --screenshot docs/studio-trace.png \
  docs/samples/chelsea.png
echo "Wrote docs/studio.png, docs/studio-error.png and docs/studio-trace.png"
