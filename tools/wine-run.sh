#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix of the build folder it belongs to (the
# nearest folder above it holding CMakeCache.txt), creating that prefix on first use.
# Used by CTest as the cross-compiling emulator, and by the run and test scripts.
set -euo pipefail
exe=$1; shift
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$exe")" && pwd)
  while [ "$dir" != / ] && [ ! -e "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$exe")" && pwd)
  export WINEPREFIX=$dir/wineprefix
fi
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX"
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
exec wine "$exe" "$@"
