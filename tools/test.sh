#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, the same tests with ASan + UBSan
# plus the fuzz targets (bounded time), and the Windows tests under Wine. One ctest run covers
# all three builds, so its summary line counts every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
for variant in native asan win; do
  echo "== building $variant"
  "$root/tools/configure.sh" "$variant"
  cmake --build "$root/build/$variant" -j "$(nproc)"
done
cat > "$root/build/CTestTestfile.cmake" <<'CT'
# Written by tools/test.sh: one test run over the three builds.
subdirs(native)
subdirs(asan)
subdirs(win)
CT
echo "== running tests"
cd "$root/build"
ctest -j "$(nproc)" --output-on-failure --timeout 900 "$@"
