#!/usr/bin/env bash
# A real keystroke sent to the window with xdotool reaches the input state.
set -u
out=$KESTRA_WINE_OUT
wine "$KESTRA_BUILD/tests/app/key_probe.exe" >"$out/probe.out" 2>"$out/probe.err" &
probe=$!
win=""
for _ in $(seq 1 300); do
  win=$(xdotool search --name 'Kestra Brelda & Quonzel' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "FAIL: probe window did not open"; kill $probe; exit 1; }
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
sleep 0.3
xdotool key --window "$win" k 2>/dev/null
xdotool key k
wait $probe
rc=$?
cat "$out/probe.out" "$out/probe.err"
[ $rc -eq 0 ] || { echo "FAIL: the keystroke did not arrive (exit $rc)"; exit 1; }
