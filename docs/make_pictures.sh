#!/usr/bin/env bash
# Makes the pictures the README shows: the pages of `show --html` and
# `diff --html`, and the page of `serve`, on the stand-in game, as headless
# Chromium draws them.
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
# serve's page as a player first sees it.
(cd "$work" && exec "$OLDPWD/build/skilltab" serve --no-open mm7.exe >serve.out) &
server=$!
for _ in $(seq 50); do grep -q "^Press" "$work/serve.out" 2>/dev/null && break; sleep 0.1; done
address=$(sed -n 's/^Serving mm7.exe at //p' "$work/serve.out")
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1100,900 --virtual-time-budget=3000 \
  --screenshot="$PWD/docs/serve.png" "$address" 2>/dev/null
kill "$server"
wait "$server" || true
echo "docs/show.png, docs/diff.png and docs/serve.png are made"
