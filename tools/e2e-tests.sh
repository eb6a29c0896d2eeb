#!/usr/bin/env bash
# Drives the real Plumora.exe under Wine as a user would, with xdotool on the current X display
# (run-test-programs.sh runs it inside Xvfb), and checks what appears: the maximised main
# window, the two start-failure boxes, the description dialog closed with Alt+O, the help
# dialog closed with Enter, both demo games played (a click on a target changes the score, an
# arrow key moves the ship), an ActionScript 3 game showing its notice and then, with the test
# Flash control registered under the real control's class id, playing in that control, and a
# program still running at the end. The run has a Wine prefix of its own, the only one where
# the real class id is registered.
# Prints one line per check and ends with "e2e: N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$root/build/win64/src/app/Plumora.exe
install=$root/build/e2e-install
control=$root/build/win64/tests/flash/PlumoraFlashTestControl.dll
export WINEPREFIX=$root/build/e2e-wineprefix
passed=0; failed=0
check() { # name, then a command that succeeds when the check holds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"; else failed=$((failed + 1)); echo "FAIL e2e: $name"; fi
}
window_appears() { # title [seconds]: a window with exactly this title shows in time
  for _ in $(seq $(( ${2:-10} * 4 ))); do xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0; sleep 0.25; done
  return 1
}
window_gone() {
  for _ in $(seq 40); do xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0; sleep 0.25; done
  return 1
}
no_box_appears() { sleep 2; ! xdotool search --name '^(错误|提示)$' >/dev/null 2>&1; }
main_is_maximised() {
  local w; w=$(xdotool search --name '^Plumora Version 1.0.1$' getwindowgeometry 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p' | head -1)
  [ -n "$w" ] && [ "$w" -ge 1280 ]
}
still_running() { kill -0 "$pid" 2>/dev/null; }

if [ ! -e "$exe" ]; then echo "FAIL e2e: Plumora.exe was not built"; echo "e2e: 0 passed, 1 failed"; exit 1; fi

# Install folder: three games in a known order (the directory search lists them by name).
rm -rf "$install"; mkdir -p "$install"
/usr/bin/python3 "$root/tools/make-demo.py" "$install/demo" >/dev/null
mkdir -p "$install/FlashFiles" "$install/DocFiles"
cp "$exe" "$install/"
cp "$install/demo/FlashFiles/Bouncing Ball.swf" "$install/FlashFiles/A Ball.swf"
cp "$install/demo/DocFiles/Bouncing Ball.txt" "$install/DocFiles/A Ball.txt"
printf 'not a movie' > "$install/FlashFiles/B Broken.swf"
cp "$install/FlashFiles/A Ball.swf" "$install/FlashFiles/C Gone.swf"
cp "$install/demo/FlashFiles/Targets.swf" "$install/FlashFiles/D Targets.swf"
cp "$install/demo/FlashFiles/Ship.swf" "$install/FlashFiles/E Ship.swf"
rm -rf "$install/demo"
# An ActionScript 3 movie: FileAttributes with the flag, and a DoABC tag.
/usr/bin/python3 -c "import sys; open(sys.argv[1], 'wb').write(bytes([70,87,83,9,43,0,0,0, 0x78,0,3,0xE8,0,0,0x0B,0xB8,0, 0,12,1,0, 0x44,0x11,8,0,0,0, 0x8A,0x14,1,0,0,0,109,0,0x10,0,0x2E,0, 0x40,0,0,0]))" "$install/FlashFiles/F Rocket.swf"
cp "$control" "$install/"
"$root/tools/wine-prefix.sh" "$WINEPREFIX"
# A clean start: the control from an earlier run is not registered yet.
wine regsvr32 /s /u /n /i:flash "$(winepath -w "$install/PlumoraFlashTestControl.dll" 2>/dev/null)" >/dev/null 2>&1

"$root/tools/wine-run.sh" "$install/Plumora.exe" &
pid=$!
trap 'kill $pid 2>/dev/null; wineserver -k 2>/dev/null' EXIT

check "the main window opens" window_appears "Plumora Version 1.0.1" 90
sleep 3
check "the main window is maximised on its first activation" main_is_maximised
rm -f "$install/FlashFiles/C Gone.swf"   # deleted after the catalog was read

# Tree rows at the maximised size: the root, then one row of 16 pixels per game.
row() { echo $((108 + 16 * $1)); }
xdotool mousemove 80 "$(row 1)" click --repeat 2 --delay 80 1
check "a good game starts without a box" no_box_appears
xdotool mousemove 80 "$(row 2)" click --repeat 2 --delay 80 1
check "an unreadable movie gives the 错误 box" window_appears "错误"
xdotool key Return
check "the 错误 box closes with Enter" window_gone "错误"
xdotool mousemove 80 "$(row 3)" click --repeat 2 --delay 80 1
check "a deleted movie gives the 提示 box" window_appears "提示"
xdotool key Return
window_gone "提示" >/dev/null

xdotool mousemove 80 "$(row 1)" click 3
sleep 1
xdotool mousemove 124 $(( $(row 1) + 38 )) click 1      # the menu's second item, "游戏说明"
check "游戏说明 opens the description dialog" window_appears "游戏说明"
xdotool key alt+o
check "Alt+O closes the description dialog" window_gone "游戏说明"

# Playing: the games are scaled into the player pane, which spans x 248..1275, y 98..775.
shot=$install/shot.png
shoot() { import -window root "$shot"; }
# The centre of a target (a white dot between red rings) in the latest shot, or nothing.
target_at() {
  /usr/bin/python3 - "$shot" <<'PY'
import sys
from PIL import Image
px = Image.open(sys.argv[1]).convert('RGB').load()
for y in range(190, 770, 3):
    for x in range(320, 1200, 3):
        r, g, b = px[x, y]
        left, right = px[x - 12, y], px[x + 12, y]
        if min(r, g, b) > 230 and left[0] > 180 and left[1] < 80 and right[0] > 180 and right[1] < 80:
            print(x, y)
            sys.exit()
PY
}
# A checksum of the score line at the top of the targets game.
score_sum() { shoot; /usr/bin/python3 -c "from PIL import Image; import sys; print(sum(Image.open(sys.argv[1]).convert('L').crop((330, 110, 520, 170)).getdata()))" "$shot"; }
# Where the ship is across (the mean x of its blue-grey pixels in the bottom band).
ship_x() { shoot; /usr/bin/python3 - "$shot" <<'PY'
import sys
from PIL import Image
px = Image.open(sys.argv[1]).convert('RGB').load()
xs = [x for y in range(660, 734) for x in range(310, 1212)
      if px[x, y][2] > 200 and px[x, y][1] > 150 and px[x, y][0] < 200 and px[x, y][2] - px[x, y][0] > 30]
print(int(sum(xs) / len(xs)) if xs else 0)
PY
}
xdotool mousemove 80 "$(row 4)" click --repeat 2 --delay 80 1
sleep 3
score_before=$(score_sum)
for _ in 1 2 3 4 5 6; do
  shoot; at=$(target_at)
  [ -n "$at" ] && xdotool mousemove $at click 1
  sleep 0.3
done
sleep 1
score_after=$(score_sum)
check "clicking the moving targets changes the score on screen" test "$score_before" != "$score_after"
xdotool mousemove 80 "$(row 5)" click --repeat 2 --delay 80 1
sleep 3
# On a busy machine the game may take longer to show its ship.
for _ in 1 2 3 4 5 6 7 8 9 10; do ship_before=$(ship_x); [ "$ship_before" -gt 0 ] && break; sleep 0.5; done
xdotool keydown Right; sleep 1.2; xdotool keyup Right
sleep 0.3
ship_after=$(ship_x)
echo "     ship x $ship_before -> $ship_after"
check "holding the right arrow moves the ship right" test "$ship_before" -gt 0 -a "$ship_after" -gt $((ship_before + 50))

# The ActionScript 3 game without a Flash control: the notice, dark text on the movie's white
# stage across the middle of the pane; then with the test control registered under the real
# class id, the same game plays in it, which paints its whole window one known colour.
pane_rows() { # the mean brightness of the pane's middle band and of a band above it
  shoot; /usr/bin/python3 - "$shot" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert('RGB')
px = im.load()
mid = [px[x, y] for y in range(425, 450) for x in range(400, 1120, 2)]
dark = sum(1 for p in mid if max(p) < 128)
print(dark, px[760, 300], px[760, 600])
PY
}
xdotool mousemove 80 "$(row 6)" click --repeat 2 --delay 80 1
sleep 2
read -r dark above below < <(pane_rows | tr -d '(),' | awk '{print $1, $2 "," $3 "," $4, $5 "," $6 "," $7}')
echo "     notice: $dark dark pixels in the middle band; above $above, below $below"
check "an ActionScript 3 game without the control shows the notice" test "$dark" -gt 100 -a "$above" = "255,255,255"
wine regsvr32 /s /n /i:flash "$(winepath -w "$install/PlumoraFlashTestControl.dll" 2>/dev/null)" >/dev/null 2>&1
xdotool mousemove 80 "$(row 6)" click --repeat 2 --delay 80 1
sleep 2
read -r dark above below < <(pane_rows | tr -d '(),' | awk '{print $1, $2 "," $3 "," $4, $5 "," $6 "," $7}')
echo "     control: above $above, below $below"
check "with the control registered the game plays in it" test "$above" = "18,154,86" -a "$below" = "18,154,86"
check "the control's start gives no box" no_box_appears
xdotool mousemove 80 "$(row 5)" click --repeat 2 --delay 80 1
sleep 2
for _ in 1 2 3 4 5 6 7 8 9 10; do back=$(ship_x); [ "$back" -gt 0 ] && break; sleep 0.5; done
check "the next game goes back to the built-in player" test "$back" -gt 0

xdotool mousemove 1253 79 click 1                        # the help button at the banner's right
check "the help button opens the help dialog" window_appears "帮助"
xdotool key Return
check "Enter closes the help dialog" window_gone "帮助"
check "the program is still running" still_running

echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
