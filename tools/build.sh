#!/usr/bin/env bash
# Configures and builds one or more of Plumora's build folders:
#   native  build/native  the SWF engine, swfrun, its tests and benchmarks (Linux)
#   win64   build/win64   the whole program for 64-bit Windows (run and tested under Wine)
#   win32   build/win32   the whole program for 32-bit Windows (built and linked only)
# Usage: tools/build.sh [native] [win64] [win32] [-- extra cmake --build arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${PLUMORA_CACHE:-$HOME/.cache/plumora}
kinds=(); extra=()
while [ $# -gt 0 ]; do
  case $1 in --) shift; extra=("$@"); break;; *) kinds+=("$1"); shift;; esac
done
[ ${#kinds[@]} -gt 0 ] || kinds=(native win64)
for kind in "${kinds[@]}"; do
  dir=$root/build/$kind
  case $kind in
    native) args=(-DCMAKE_BUILD_TYPE=Release);;
    win64) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DPLUMORA_DEPS="$cache/deps/x86_64-w64-mingw32");;
    win32) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DPLUMORA_DEPS="$cache/deps/i686-w64-mingw32");;
    *) echo "build: unknown build '$kind'" >&2; exit 2;;
  esac
  [ -e "$dir/CMakeCache.txt" ] || cmake -S "$root" -B "$dir" "${args[@]}" >/dev/null
  cmake --build "$dir" -j"$(nproc)" "${extra[@]}"
done
