#!/usr/bin/env bash
# Makes the README's gallery: every starter program applied with its default
# parameters to a small copy of the sample photograph, under docs/gallery/,
# and the table that shows them in README.md, between the gallery markers.
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
cells=("![original]($out/original.png)<br>the photograph")
while IFS= read -r program; do
  file=$(echo "$program" | tr 'A-Z /' 'a-z--').png
  "$morfel" apply --quiet --base "$work/base" --program "$program" "$out/original.png" "$out/$file"
  cells+=("![$program]($out/$file)<br>$program")
done < <("$morfel" list --base "$work/base")
{
  printf '| | | | |\n|---|---|---|---|\n'
  for ((i = 0; i < ${#cells[@]}; i += 4)); do
    printf '| %s | %s | %s | %s |\n' "${cells[i]}" "${cells[i+1]:-}" "${cells[i+2]:-}" "${cells[i+3]:-}"
  done
} > "$work/table.md"
# Replace what stands between the markers, keeping the rest of the README.
awk -v table="$work/table.md" '
  /<!-- gallery -->/ { print; while ((getline line < table) > 0) print line; skip = 1; next }
  /<!-- \/gallery -->/ { skip = 0 }
  !skip { print }' README.md > "$work/README.md"
cp "$work/README.md" README.md
echo "Gallery in $out ($(ls "$out"/*.png | wc -l) images)"
