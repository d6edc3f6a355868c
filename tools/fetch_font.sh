#!/usr/bin/env bash
# Re-makes the committed font from its npm package: Patua One (SIL OFL 1.1), woff2 -> TTF.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent @fontsource/patua-one >/dev/null && tar xzf fontsource-patua-one-*.tgz)
cp "$work/package/files/patua-one-latin-400-normal.woff2" "$work/font.woff2"
woff2_decompress "$work/font.woff2"
for dir in Kestra Murvel; do
  mkdir -p "$root/data/$dir"
  cp "$work/font.ttf" "$root/data/$dir/PatuaOne-Regular.ttf"
  cp "$work/package/LICENSE" "$root/data/$dir/PatuaOne-OFL.txt"
done
