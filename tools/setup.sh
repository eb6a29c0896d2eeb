#!/usr/bin/env bash
# Installs everything Plumora needs on a Debian 12 machine, from Debian's packages only, and
# builds the libraries Debian ships no MinGW build of (libjpeg-turbo, liblzma, libmpg123,
# libspeex) from Debian's own source packages, once per target, into a cache outside the source
# tree.
# Safe to run again: every step is skipped when its result is already there.
set -euo pipefail

CACHE=${PLUMORA_CACHE:-$HOME/.cache/plumora}
PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb xauth xdotool
          imagemagick fonts-wqy-microhei fonts-wine locales libz-mingw-w64-dev googletest nasm
          cmake make dpkg-dev zlib1g-dev liblzma-dev libjpeg62-turbo-dev python3 python3-pil
          xz-utils ca-certificates nsis libmpg123-dev libspeex-dev lame clang libclang-rt-14-dev)
# lame only makes the MP3 test signal at build time; nothing ships it.
# clang and its runtime libraries (libFuzzer, the sanitizers) build the fuzzers of tools/swf;
# libclang-rt-14-dev is only recommended by clang, and recommendations are not installed.
# Never wine32: these machines cannot run 32-bit Linux programs, and its presence breaks the
# wine launcher for 64-bit programs.

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ ! -e /etc/apt/sources.list.d/plumora-src.sources ]; then
  if [ ! -e /etc/apt/sources.list.d/plumora-src.sources ]; then
    as_root tee /etc/apt/sources.list.d/plumora-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  echo "setup: installing ${missing[*]:-(source lists)}"
  as_root apt-get update -q
  [ ${#missing[@]} -eq 0 ] || as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The program's home setting is the Chinese code page; Wine takes it from the locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# libjpeg-turbo and liblzma for both MinGW targets.
build_deps() {
  local triple=$1
  local prefix=$CACHE/deps/$triple
  [ -e "$prefix/.done" ] && return 0
  local work=$CACHE/src
  mkdir -p "$work" && cd "$work"
  ls libjpeg-turbo_*.orig.tar.gz >/dev/null 2>&1 || apt-get source --download-only libjpeg-turbo >/dev/null 2>&1
  ls xz-utils_*.orig.tar.xz >/dev/null 2>&1 || apt-get source --download-only xz-utils >/dev/null 2>&1
  rm -rf "$work/$triple" && mkdir -p "$work/$triple" && cd "$work/$triple"
  tar xf "$work"/libjpeg-turbo_*.orig.tar.gz && tar xf "$work"/xz-utils_*.orig.tar.xz
  local proc=x86_64; [ "$triple" = i686-w64-mingw32 ] && proc=i686
  cat > toolchain.cmake <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $proc)
set(CMAKE_C_COMPILER $triple-gcc-posix)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
TC
  echo "setup: building libjpeg-turbo for $triple"
  cmake -S libjpeg-turbo-* -B jpeg-build -DCMAKE_TOOLCHAIN_FILE="$PWD/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build jpeg-build -j"$(nproc)" --target install >/dev/null
  echo "setup: building liblzma for $triple"
  (cd xz-* && ./configure -q --host="$triple" CC="$triple-gcc-posix" --prefix="$prefix" \
     --disable-shared --enable-static --disable-xz --disable-xzdec --disable-lzmadec \
     --disable-lzmainfo --disable-scripts --disable-doc --disable-nls --enable-threads=no \
     >/dev/null && make -j"$(nproc)" -C src/liblzma install >/dev/null)
  touch "$prefix/.done"
}
# Fetches a Debian source package's original tarball into the cache unless it is there. apt-get
# can fail on a missing signature file after the tarball itself has arrived: judge by the file.
fetch_source() {
  local package=$1 pattern=$2
  ls $pattern >/dev/null 2>&1 || apt-get source --download-only "$package" >/dev/null 2>&1 || true
  ls $pattern >/dev/null 2>&1 || { echo "setup: could not fetch the $package source" >&2; return 1; }
}

# Runs a build step with its output in a log, shown only when the step fails.
quietly() {
  local log=$1; shift
  "$@" >"$log" 2>&1 || { tail -30 "$log" >&2; return 1; }
}

# The sound decoders (libmpg123, libspeex) for both MinGW targets, each with its own marker so
# that a cache made before them gains just these two libraries. Only the libraries are built:
# mpg123's player and output modules and speex's command-line tools are not needed, nor speex's
# messages on stderr about damaged data.
build_sound_deps() {
  local triple=$1
  local prefix=$CACHE/deps/$triple
  local work=$CACHE/src
  mkdir -p "$work" "$prefix/include" "$prefix/lib"
  (cd "$work" && fetch_source mpg123 'mpg123_*.orig.tar.bz2' && fetch_source speex 'speex_*.orig.tar.gz')
  if [ ! -e "$prefix/.mpg123.done" ]; then
    echo "setup: building libmpg123 for $triple"
    rm -rf "$work/$triple-mpg123" && mkdir -p "$work/$triple-mpg123" && cd "$work/$triple-mpg123"
    tar xf "$work"/mpg123_*.orig.tar.bz2 && cd mpg123-*
    quietly ../configure.log ./configure --host="$triple" CC="$triple-gcc-posix" --prefix="$prefix" \
      --disable-shared --enable-static --with-cpu=generic --disable-modules --with-audio=dummy \
      --with-default-audio=dummy --disable-network --disable-id3v2 --disable-icy
    quietly ../make.log make -j"$(nproc)" src/libmpg123/libmpg123.la
    install -m644 src/libmpg123/.libs/libmpg123.a "$prefix/lib/"
    install -m644 src/libmpg123/mpg123.h src/libmpg123/fmt123.h "$prefix/include/"
    touch "$prefix/.mpg123.done"
  fi
  if [ ! -e "$prefix/.speex.done" ]; then
    echo "setup: building libspeex for $triple"
    rm -rf "$work/$triple-speex" && mkdir -p "$work/$triple-speex" && cd "$work/$triple-speex"
    tar xf "$work"/speex_*.orig.tar.gz && cd speex-*
    quietly ../configure.log ./configure --host="$triple" CC="$triple-gcc-posix" --prefix="$prefix" \
      --disable-shared --enable-static --disable-binaries \
      CFLAGS="-O2 -DDISABLE_NOTIFICATIONS -DDISABLE_WARNINGS"
    quietly ../make.log make -j"$(nproc)" -C libspeex install
    quietly ../install.log make -C include install
    touch "$prefix/.speex.done"
  fi
}
for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
  build_deps "$triple"
  build_sound_deps "$triple"
done
echo "setup: done (libraries in $CACHE/deps)"
