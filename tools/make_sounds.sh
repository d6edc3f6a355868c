#!/usr/bin/env bash
# Makes the game's three sound effects from nothing but synthesis (sox) and encodes them as OGG
# Vorbis (oggenc): 44,100 Hz stereo, short, and faded in and out so they never click.
#   punchwoosh  a swish of band-limited noise (a punch or kick into the air)
#   punchhit    a falling low thump under a short crack (a punch or kick that lands)
#   playerhurt  a short falling grunt-like buzz (the player takes a hit)
# Usage: tools/make_sounds.sh [OUT_DIR]   (default data/Kestra/sounds)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/data/Kestra/sounds}
command -v sox >/dev/null && command -v oggenc >/dev/null ||
  { echo "make_sounds.sh: needs sox and oggenc (vorbis-tools)" >&2; exit 1; }
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fmt=(-R -r 44100 -c 2 -b 16)

# Woosh: pink noise in a 400 Hz to 2.5 kHz band, swelling in and dying away.
sox "${fmt[@]}" -n "$tmp/woosh.wav" synth 0.22 pinknoise sinc 400-2500 fade h 0.06 0.22 0.15 norm -4

# Hit: a sine falling from 140 to 45 Hz for the body, a 30 ms noise crack for the contact.
sox "${fmt[@]}" -n "$tmp/hit_body.wav" synth 0.2 sine 140-45 fade q 0.003 0.2 0.15
sox "${fmt[@]}" -n "$tmp/hit_crack.wav" synth 0.03 whitenoise lowpass 3500 fade q 0.001 0.03 0.025 vol 0.5
sox -m "$tmp/hit_body.wav" "$tmp/hit_crack.wav" "$tmp/hit.wav" norm -2

# Hurt: a buzzing saw falling from 310 to 170 Hz, softened and wobbling like a voice.
sox "${fmt[@]}" -n "$tmp/hurt.wav" synth 0.3 sawtooth 310-170 lowpass 1400 tremolo 22 40 \
  fade q 0.01 0.3 0.14 norm -5

oggenc -Q -q 4 "$tmp/woosh.wav" -o "$out/punchwoosh.ogg"
oggenc -Q -q 4 "$tmp/hit.wav" -o "$out/punchhit.ogg"
oggenc -Q -q 4 "$tmp/hurt.wav" -o "$out/playerhurt.ogg"
echo "make_sounds.sh: wrote punchwoosh.ogg, punchhit.ogg, playerhurt.ogg to $out"
