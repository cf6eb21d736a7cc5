#!/usr/bin/env bash
# Photographs the plug-in's three dialogs as wine draws them from our
# templates, into docs/main-dialog.png, docs/editor-dialog.png and
# docs/help-dialog.png: the Windows build of the plug-in runs on a private
# Xvfb display, a scripted user opens each dialog with the starter program
# Deform/Twirl chosen and holds it open while the screen is captured.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
. tools/wine-env.sh
morfel_need_packages "${MORFEL_WINE_PACKAGES[@]}" imagemagick

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target windows_screenshots >/dev/null

folder=build/screenshots-wine
trap morfel_wine_down EXIT
morfel_wine_up "$folder"
mkdir -p "$folder/base/Tarvo" "$folder/handshake"
cp files/starter/*.txt "$folder/base/Tarvo/"

windows_path() { echo "$(winepath -w "$(realpath "$1")")"; }
base=$(windows_path "$folder/base")\\
handshake=$(windows_path "$folder/handshake")\\
picture=$(windows_path docs/samples/chelsea.png)

(cd build/windows/tests/windows && exec wine windows_screenshots.exe "$base" "$handshake" "$picture") &
holder=$!

for shot in main-dialog editor-dialog help-dialog; do
  waited=0
  until [ -f "$folder/handshake/$shot.ready" ]; do
    if ! kill -0 "$holder" 2>/dev/null || [ $waited -ge 1200 ]; then
      echo "screenshots: $shot was never shown" >&2
      exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  read -r x y width height <"$folder/handshake/$shot.ready"
  import -window root -crop "${width}x${height}+${x}+${y}" +repage "docs/$shot.png"
  touch "$folder/handshake/$shot.taken"
  echo "docs/$shot.png: ${width} x ${height}"
done
wait "$holder"
