#!/usr/bin/env bash
# Makes the README's gallery: every starter program applied with its default
# parameters to a small copy of the sample photograph, under docs/gallery/,
# and the markdown table that shows them (docs/gallery/gallery.md).
# Needs a release build (./run.sh) and ImageMagick's convert for the
# thumbnail of the photograph.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
morfel_need_packages imagemagick
morfel=build/release/bin/morfel
out=docs/gallery
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/*.png
convert docs/samples/chelsea.png -resize 180x "$out/original.png"
cells=("![original](original.png)<br>the photograph")
while IFS= read -r program; do
  file=$(echo "$program" | tr 'A-Z /' 'a-z--').png
  "$morfel" apply --quiet --base "$work/base" --program "$program" "$out/original.png" "$out/$file"
  cells+=("![$program]($file)<br>$program")
done < <("$morfel" list --base "$work/base")
{
  echo "<!-- made by tools/gallery.sh -->"
  printf '| | | | |\n|---|---|---|---|\n'
  for ((i = 0; i < ${#cells[@]}; i += 4)); do
    printf '| %s | %s | %s | %s |\n' "${cells[i]}" "${cells[i+1]:-}" "${cells[i+2]:-}" "${cells[i+3]:-}"
  done
} > "$out/gallery.md"
echo "Gallery in $out ($(ls "$out"/*.png | wc -l) images)"
