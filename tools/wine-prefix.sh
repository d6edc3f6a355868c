#!/usr/bin/env bash
# Creates a Wine prefix once, with the crash dialog off so a crash ends a run instead of hanging it.
set -u
prefix=$1
[ -f "$prefix/.kestra-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.create.lock"
flock 9
[ -f "$prefix/.kestra-ready" ] && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all
mkdir -p "$prefix"
timeout 300 wineboot -i >/dev/null 2>&1 9>&-
timeout 120 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  >/dev/null 2>&1 9>&-
timeout 60 wineserver -w 9>&-
if [ ! -f "$prefix/system.reg" ]; then echo "wine-prefix: could not create $prefix" >&2; exit 1; fi
touch "$prefix/.kestra-ready"
