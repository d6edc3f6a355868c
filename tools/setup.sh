#!/usr/bin/env bash
# Prepares this machine to build and test the game: Debian packages, MinGW builds of FreeType,
# libpng and GoogleTest, and a Wine prefix. Safe to run again; a second run takes a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
mkdir -p "$deps"

packages=(cmake ninja-build pkg-config mingw-w64 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  directx-headers-dev wine wine64 xvfb xauth mesa-vulkan-drivers libvulkan1 xdotool imagemagick
  googletest rapidjson-dev libstb-dev libutfcpp-dev libfreetype-dev libpng-dev zlib1g-dev
  libgtest-dev libbenchmark-dev vorbis-tools sox woff2 fonts-dejavu-core dpkg-dev clang
  python3-pil libclang-rt-14-dev)

sudo_cmd=()
[ "$(id -u)" = 0 ] || sudo_cmd=(sudo)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || echo "$p"
  done
}

# Mesa from bookworm-backports: the release's own lavapipe draws textured quads black.
mesa_is_backport() {
  dpkg-query -W -f='${Version}' mesa-vulkan-drivers 2>/dev/null | grep -q bpo
}

if [ -n "$(missing_packages)" ] || ! mesa_is_backport; then
  echo "setup: installing Debian packages"
  src=/etc/apt/sources.list.d/debian.sources
  if [ -f "$src" ] && [ ! -f /etc/apt/sources.list.d/backports.sources ]; then
    sed -e '/^#/d' -e '/^$/q' "$src" | sed -e 's/^Suites:.*/Suites: bookworm-backports/' \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/backports.sources >/dev/null
  fi
  if [ -f "$src" ] && [ ! -f /etc/apt/sources.list.d/sources-src.sources ]; then
    sed -e '/^#/d' -e '/^$/q' "$src" | sed -e 's/^Types:.*/Types: deb-src/' \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/sources-src.sources >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${packages[@]}" >/dev/null
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq -t bookworm-backports \
    mesa-vulkan-drivers >/dev/null
fi

# MinGW builds of the libraries Debian only ships for the host.
toolchain="$root/tools/mingw-toolchain.cmake"
prefix="$deps/mingw"
jobs=$(nproc)
if [ ! -f "$prefix/.done" ]; then
  echo "setup: cross-building FreeType, libpng and GoogleTest for MinGW"
  rm -rf "$deps/src" "$deps/obj" "$prefix"
  mkdir -p "$deps/src" "$deps/obj"
  (cd "$deps/src" && apt-get source -qq freetype libpng1.6 >/dev/null 2>&1)
  ft_src=$(find "$deps/src" -maxdepth 1 -type d -name 'freetype-2*' | head -n 1)
  png_src=$(find "$deps/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
  [ -n "$ft_src" ] && [ -n "$png_src" ] || { echo "setup: source packages missing" >&2; exit 1; }
  zlib_args=(-DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a
             -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include)
  cmake -S "$ft_src" -B "$deps/obj/freetype" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON "${zlib_args[@]}" >/dev/null
  cmake --build "$deps/obj/freetype" -j "$jobs" --target install >/dev/null
  cmake -S "$png_src" -B "$deps/obj/libpng" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF "${zlib_args[@]}" >/dev/null
  cmake --build "$deps/obj/libpng" -j "$jobs" --target install >/dev/null
  cmake -S /usr/src/googletest -B "$deps/obj/googletest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps/obj/googletest" -j "$jobs" --target install >/dev/null
  # Header-only libraries for MinGW: never put /usr/include itself on its path (it breaks libc).
  mkdir -p "$prefix/include"
  ln -sfn /usr/include/rapidjson "$prefix/include/rapidjson"
  ln -sfn /usr/include/stb "$prefix/include/stb"
  ln -sfn /usr/include/utf8cpp "$prefix/include/utf8cpp"
  rm -rf "$deps/obj" "$deps/src"
  touch "$prefix/.done"
fi

# The Wine prefix the tests and the game run in.
"$root/tools/wine-prefix.sh" "$root/build/wineprefix"
