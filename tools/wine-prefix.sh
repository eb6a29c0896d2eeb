#!/usr/bin/env bash
# Makes a Wine prefix at $1 (once) set up as the program's home systems are: Chinese code page
# through the locale, and "宋体"/"SimSun" mapped to a CJK font that Debian ships.
# Every window runs inside one Wine virtual desktop of 1280 x 800: it draws real window frames,
# and on a bare X server (Xvfb, no window manager) it avoids the X BadWindow errors that kill a
# program when one top-level window is destroyed and another is then maximised.
set -euo pipefail
prefix=$1
stamp=$prefix/.plumora-ready-2
[ -e "$stamp" ] && exit 0
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8
wineboot -i >/dev/null 2>&1 || true
key='HKCU\Software\Wine\Fonts\Replacements'
for face in 宋体 SimSun 新宋体 NSimSun; do
  wine reg add "$key" /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f >/dev/null 2>&1
wineserver -w
touch "$stamp"
