#!/usr/bin/env bash
# Runs a command in a private Wine session: its own Xvfb display (never the user's), the build's
# Wine prefix, a null audio device, and a bounded time. Wine runs on one prefix are serialised.
# Usage: wine-env.sh [--timeout SECONDS] COMMAND [ARGS...]
#   KESTRA_XVFB_SIZE sets the screen (default 1280x720x24).
#   The command sees DISPLAY, WINEPREFIX and KESTRA_WINE_OUT (a scratch folder). Its output is
#   written to files and shown afterwards: Wine's services keep pipes open, so never pipe wine.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
limit=180
if [ "${1:-}" = "--timeout" ]; then limit=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: wine-env.sh [--timeout S] COMMAND [ARGS...]" >&2; exit 2; }

export WINEPREFIX=${KESTRA_WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all
# Mesa's lavapipe needs virtual heaps for vkd3d to create root signatures.
export VKD3D_CONFIG=virtual_heaps
"$root/tools/wine-prefix.sh" "$WINEPREFIX" || exit 1

exec 9>"$WINEPREFIX.lock"
flock 9

scratch=$(mktemp -d /tmp/kestra-wine.XXXXXX)
export KESTRA_WINE_OUT=$scratch
# A null ALSA device, so the game's audio engine finds one device whose buffers complete.
mkdir -p "$scratch/home"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$scratch/home/.asoundrc"
export HOME=$scratch/home

Xvfb -displayfd 8 -screen 0 "${KESTRA_XVFB_SIZE:-1280x720x24}" -nolisten tcp 8>"$scratch/display" >/dev/null 2>&1 9>&- &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$scratch/display" ] && break; sleep 0.05; done
if [ ! -s "$scratch/display" ]; then echo "wine-env: Xvfb did not start" >&2; kill $xvfb; exit 1; fi
export DISPLAY=:$(cat "$scratch/display")

cleanup() {
  wineserver -k >/dev/null 2>&1
  kill $xvfb >/dev/null 2>&1
  wait $xvfb 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

wineserver -p >/dev/null 2>&1 9>&-
timeout 60 wine cmd /c exit 0 >/dev/null 2>&1 9>&-

timeout -k 5 "$limit" "$@" >"$scratch/stdout" 2>"$scratch/stderr" 9>&-
rc=$?
cat "$scratch/stdout"
cat "$scratch/stderr" >&2
[ $rc -eq 124 ] && echo "wine-env: timed out after ${limit}s: $*" >&2
exit $rc
