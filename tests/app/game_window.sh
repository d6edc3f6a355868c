#!/usr/bin/env bash
# The real kestra.exe opens its window with the game's title, stays responsive, and exits with 0
# when the window is closed from outside (WM_CLOSE).
set -u
cd "$KESTRA_BUILD"
out=$KESTRA_WINE_OUT
wine ./kestra.exe >"$out/game.out" 2>"$out/game.err" &
game=$!
win=""
for _ in $(seq 1 300); do
  win=$(xdotool search --name 'Kestra Brelda & Quonzel' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  kill -0 $game 2>/dev/null || break
  sleep 0.1
done
if [ -z "$win" ]; then
  echo "FAIL: no window titled 'Kestra Brelda & Quonzel'"; cat "$out/game.out" "$out/game.err"
  kill $game 2>/dev/null; exit 1
fi
echo "window $win found: $(xdotool getwindowname "$win")"
sleep 2
if ! kill -0 $game 2>/dev/null; then
  echo "FAIL: the game ended by itself"; cat "$out/game.out" "$out/game.err"; exit 1
fi
# Responsive: a window that pumps its messages answers a synchronous query at once.
if ! timeout 10 xdotool getwindowgeometry "$win" >/dev/null; then
  echo "FAIL: window does not answer"; exit 1
fi
wine "$KESTRA_BUILD/tests/app/window_tool.exe" close || { echo "FAIL: could not post WM_CLOSE"; exit 1; }
for _ in $(seq 1 200); do kill -0 $game 2>/dev/null || break; sleep 0.1; done
if kill -0 $game 2>/dev/null; then
  echo "FAIL: the game did not end within 20 s of WM_CLOSE"; kill $game; exit 1
fi
wait $game
rc=$?
echo "kestra.exe exit code: $rc"
cat "$out/game.out"
[ $rc -eq 0 ] || { cat "$out/game.err"; exit 1; }
