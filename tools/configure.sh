#!/usr/bin/env bash
# Configures one of the three builds into a folder (default build/<variant>):
#   native  host compiler, portable code and its tests
#   asan    clang with AddressSanitizer + UBSan, the same tests plus the fuzz targets
#   win     MinGW-w64 cross-build: kestra.exe and the Windows tests (run under Wine)
# Usage: configure.sh VARIANT [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
variant=$1
dir=${2:-$root/build/$variant}
case "$variant" in
  native) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan) args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
              -DKESTRA_SANITIZE=ON -DKESTRA_FUZZ=ON) ;;
  win) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/tools/mingw-toolchain.cmake") ;;
  *) echo "configure.sh: unknown variant '$variant' (native, asan, win)" >&2; exit 2 ;;
esac
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
fi
