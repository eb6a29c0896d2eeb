#!/usr/bin/env bash
# Makes a Wine prefix at $1 (once) set up as the program's home systems are: Chinese code page
# through the locale, and "宋体"/"SimSun" mapped to a CJK font that Debian ships.
set -euo pipefail
prefix=$1
[ -e "$prefix/.plumora-ready" ] && exit 0
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8
wineboot -i >/dev/null 2>&1 || true
key='HKCU\Software\Wine\Fonts\Replacements'
for face in 宋体 SimSun 新宋体 NSimSun; do
  wine reg add "$key" /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
wineserver -w
touch "$prefix/.plumora-ready"
