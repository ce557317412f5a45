#!/usr/bin/env bash
# Makes the two pictures the README shows: the pages of `show --html` and
# `diff --html` on the stand-in game, as headless Chromium draws them.
# Run after `cmake --workflow --preset default`, from the project's root.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/make_demo "$work" >/dev/null
printf 'Skill Knight Paladin Druid\nSword GGGG GGGG ----\nBow MMMM BEMG EEEE\n' >"$work/mod.txt"
cp "$work/mm7.exe" "$work/modded.exe"
(cd "$work" && "$OLDPWD/build/skilltab" apply mod.txt modded.exe >/dev/null)
(cd "$work" && "$OLDPWD/build/skilltab" show --html mm7.exe >show.html)
(cd "$work" && "$OLDPWD/build/skilltab" diff --html mm7.exe modded.exe >diff.html) || true
for page in show diff; do
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1000,1180 \
    --screenshot="$PWD/docs/$page.png" "file://$work/$page.html" 2>/dev/null
done
echo "docs/show.png and docs/diff.png are made"
