#!/usr/bin/env bash
# A deliberate fault ends the process with the crash filter's fixed code (70), quickly.
set -u
out=$KESTRA_WINE_OUT
start=$(date +%s)
wine "$KESTRA_BUILD/tests/app/crash_probe.exe" >"$out/crash.out" 2>"$out/crash.err"
rc=$?
elapsed=$(( $(date +%s) - start ))
cat "$out/crash.out" "$out/crash.err"
echo "exit code $rc after ${elapsed}s"
[ $rc -eq 70 ] || { echo "FAIL: expected exit code 70"; exit 1; }
[ $elapsed -lt 10 ] || { echo "FAIL: took ${elapsed}s"; exit 1; }
grep -q "unhandled exception 0xc0000005" "$out/crash.err" || { echo "FAIL: no report"; exit 1; }
