#!/usr/bin/env bash
# Runs the whole-game play test with Debian's Python (it has Pillow).
exec /usr/bin/python3 "$(dirname "$0")/play_test.py"
