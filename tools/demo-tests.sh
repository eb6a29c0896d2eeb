#!/usr/bin/env bash
# Checks the demo install folder that tools/make-demo.py writes, through the command-line player:
# every movie but the broken one loads, the two games run 100 frames without script errors or
# stray trace output, their pictures change as they play, and (built with --debug, where they
# trace and play by themselves) their scoring, restart and high-score logic works.
# Usage: tools/demo-tests.sh [SWFRUN]   (default: build/native/tools/swfrun/swfrun)
# Prints one line per check and ends with "demo: N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
swfrun=${1:-$root/build/native/tools/swfrun/swfrun}
passed=0; failed=0
check() { # name, then a command that succeeds when the check holds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"; else failed=$((failed + 1)); echo "FAIL demo: $name"; fi
}
if [ ! -x "$swfrun" ]; then echo "FAIL demo: no swfrun at $swfrun"; echo "demo: 0 passed, 1 failed"; exit 1; fi

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
check "the byte-code assembler writes what it should (tools/test_swfasm.py)" \
  bash -c "python3 '$root/tools/test_swfasm.py' >'$work/asm.txt' 2>&1 || { cat '$work/asm.txt'; false; }"
python3 "$root/tools/make-demo.py" "$work/demo" >/dev/null || { echo "FAIL demo: make-demo.py failed"; echo "demo: 0 passed, 1 failed"; exit 1; }
python3 "$root/tools/make-demo.py" --debug "$work/debug" >/dev/null || { echo "FAIL demo: make-demo.py --debug failed"; echo "demo: 0 passed, 1 failed"; exit 1; }
flash=$work/demo/FlashFiles

# run MOVIE FRAMES NAME: the trace output in $work/NAME.out, errors in $work/NAME.err
run() { timeout 60 "$swfrun" --frames "$2" --trace "$1" >"$work/$3.out" 2>"$work/$3.err"; }
runs_clean() { run "$1" "$2" "$3" && [ ! -s "$work/$3.err" ] && [ ! -s "$work/$3.out" ]; }
loads() { timeout 60 "$swfrun" --frames 2 --png "$work/load.png" "$1" 2>"$work/load.err" && [ ! -s "$work/load.err" ]; }
pictures_change() { # movie, frame a, frame b
  timeout 60 "$swfrun" --frames "$2" --png "$work/a.png" "$1" 2>/dev/null &&
    timeout 60 "$swfrun" --frames "$3" --png "$work/b.png" "$1" 2>/dev/null && ! cmp -s "$work/a.png" "$work/b.png"
}
traced() { grep -qxF -- "$2" "$work/$1.out"; }
description_is_gbk() { iconv -f GBK -t UTF-8 "$work/demo/DocFiles/$1.txt" 2>/dev/null | head -1 | tr -d '\r' | grep -qxF "$2"; }

for movie in "$flash"/*.swf; do
  name=$(basename "$movie")
  [ "$name" = Broken.swf ] && continue
  check "$name loads and plays" loads "$movie"
done
check "Broken.swf is refused" bash -c "! timeout 60 '$swfrun' --frames 1 --png '$work/x.png' '$flash/Broken.swf' 2>/dev/null"

for game in Targets Ship; do
  check "$game.swf runs 100 frames without script errors or trace output" runs_clean "$flash/$game.swf" 100 "$game"
done
check "the targets move" pictures_change "$flash/Targets.swf" 1 30
check "the rocks fall" pictures_change "$flash/Ship.swf" 1 30
check "点靶子 has its GBK description" description_is_gbk Targets "点靶子"
check "小飞船 has its GBK description" description_is_gbk Ship "小飞船"

# The debug builds press the targets and the fire key themselves.
run "$work/debug/FlashFiles/Targets.swf" 100 targets-debug
check "pressing targets scores and updates the score field" traced targets-debug "score 2 text 得分：2"
check "the targets keep moving between presses" bash -c "[ \$(grep -c '^frame .* t0 ' '$work/targets-debug.out') -eq 3 ] && [ \$(grep '^frame .* t0 ' '$work/targets-debug.out' | sort -u | wc -l) -eq 3 ]"
check "restart sets the score back to 0" traced targets-debug "restart score 0"
run "$work/debug/FlashFiles/Ship.swf" 100 ship-debug
check "the ship starts with no score and no high score" traced ship-debug "score 0 high 0"
check "shots break rocks and raise the high score" traced ship-debug "score 1 high 1"
run "$work/debug/FlashFiles/Ship.swf" 3000 ship-long
check "a crash starts again from 0 and keeps the high score" \
  bash -c "grep -A1 -xF crash '$work/ship-long.out' | grep -q '^score 1 high [1-9]' && grep -B1 -xF crash '$work/ship-long.out' | grep -q '^score 0 high [1-9]'"
# Sound: the tune streams from the first frame on, and each hit adds a pop (the debug build
# presses two targets at frame 25; before that both builds sound the same).
wav() { timeout 60 "$swfrun" --frames "$2" --wav "$work/$3.wav" "$1" 2>"$work/$3.wav.err" && [ ! -s "$work/$3.wav.err" ]; }
check "Targets.swf writes its sound" wav "$flash/Targets.swf" 48 targets-sound
check "Targets.swf (debug) writes its sound" wav "$work/debug/FlashFiles/Targets.swf" 48 targets-debug-sound
sound_check() {
  python3 - "$work/targets-sound.wav" "$work/targets-debug-sound.wav" "$1" <<'PY'
import math, struct, sys, wave
def samples(path):
    w = wave.open(path)
    assert (w.getnchannels(), w.getsampwidth(), w.getframerate()) == (2, 2, 44100)
    n = w.getnframes()
    return struct.unpack("<%dh" % (2 * n), w.readframes(n))
plain, debug = samples(sys.argv[1]), samples(sys.argv[2])
half = 44100  # half a second of stereo samples
if sys.argv[3] == "music":
    rms = [math.sqrt(sum(x * x for x in plain[i:i + half]) / half) for i in range(0, len(plain) - half + 1, half)]
    sys.exit(0 if len(rms) == 4 and min(rms) > 1000 else 1)
hit = 2 * 44100  # stereo samples: frame 25 starts one second in, at 24 frames a second
same_before = plain[:hit - 2000] == debug[:hit - 2000]
louder_after = sum(abs(a - b) for a, b in zip(plain[hit:hit + 8820], debug[hit:hit + 8820])) > 8820 * 1000
sys.exit(0 if same_before and louder_after else 1)
PY
}
check "the tune plays through the first two seconds" sound_check music
check "a hit sounds a pop" sound_check pop
for f in targets-debug ship-debug ship-long; do
  check "debug run $f has no script errors" test ! -s "$work/$f.err"
done

echo "demo: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
