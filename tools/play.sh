#!/usr/bin/env bash
# Builds the Windows game and starts it under Wine. With a display ($DISPLAY set) the game runs
# there until its window is closed. Without one it runs for a few seconds on a private Xvfb
# display, a screenshot is saved and its path printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/configure.sh" win
cmake --build "$root/build/win" -j "$(nproc)" --target kestra window_tool
cd "$root/build/win"
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all VKD3D_CONFIG=virtual_heaps
  exec wine ./kestra.exe
fi
shots="$root/build/screenshots"
mkdir -p "$shots"
shot="$shots/play-$(date +%Y%m%d-%H%M%S).png"
# A screen larger than the window, so the whole client area is on it; the shot is cut to it.
KESTRA_SHOT=$shot KESTRA_XVFB_SIZE=1600x900x24 "$root/tools/wine-env.sh" --timeout 120 bash -c '
  wine ./kestra.exe >"$KESTRA_WINE_OUT/game.out" 2>&1 &
  game=$!
  sleep 8
  read -r x y w h < <(wine "'"$root"'/build/win/tests/app/window_tool.exe" rect 2>/dev/null | tail -n 1)
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$KESTRA_SHOT"
  wine "'"$root"'/build/win/tests/app/window_tool.exe" close >/dev/null 2>&1 || kill $game
  wait $game
  echo "game exit code: $?"
  head -n 20 "$KESTRA_WINE_OUT/game.out"
'
echo "screenshot: $shot"
