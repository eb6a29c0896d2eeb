#!/usr/bin/env bash
# Runs each built test program once and adds up GoogleTest's own counts. A program that dies
# before printing its summary counts as one failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
passed=0; failed=0
log=$root/build/test-logs; mkdir -p "$log"

run_one() { # name, command... (with repeat=1 set: the same tests again, whose passes are not added)
  local name=$1; shift
  local out=$log/$name.txt
  timeout 600 "$@" --gtest_color=no >"$out" 2>&1
  local p f
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$out" | tail -1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*, listed below.*/\1/p' "$out" | tail -1)
  if [ -z "$p$f" ]; then
    echo "FAIL $name: no test summary (crashed or timed out); see $out"; failed=$((failed + 1)); return
  fi
  [ -z "${repeat:-}" ] && passed=$((passed + ${p:-0}))
  failed=$((failed + ${f:-0}))
  grep '^\[  FAILED  \] [A-Za-z_]' "$out" | grep -v 'listed below' | sed "s/^\[  FAILED  \] /FAIL $name: /" | sort -u
  echo "$name: ${p:-0} passed, ${f:-0} failed${repeat:+ (run again on Windows: its passes are not added to the total)}"
}

# A short fuzzing pass over the kept corpus (sanitized builds of the engine and the layout
# reader), in the background: its build and runs overlap the Windows tests, which mostly wait.
timeout 900 "$root/tools/fuzz-smoke.sh" >"$log/fuzz.txt" 2>&1 &
fuzz_pid=$!

for exe in "$root"/build/native/tests/*/*_tests; do
  [ -x "$exe" ] && run_one "native-$(basename "$exe")" "$exe"
done
for exe in "$root"/build/win64/tests/*/*_tests.exe; do
  [ -e "$exe" ] || continue
  # The engine's tests run natively above; on Windows they are the same tests once more.
  again=; [ -x "$root/build/native/tests/$(basename "$(dirname "$exe")")/$(basename "$exe" .exe)" ] && again=1
  repeat=$again run_one "win64-$(basename "$exe" .exe)" "$root/tools/wine-run.sh" "$exe"
done
# The demo games, played through the native command-line player.
out=$log/demo.txt
timeout 600 "$root/tools/demo-tests.sh" "$root/build/native/tools/swfrun/swfrun" >"$out" 2>&1
grep '^FAIL' "$out"
p=$(sed -n 's/^demo: \([0-9]*\) passed, \([0-9]*\) failed.*/\1/p' "$out" | tail -1)
f=$(sed -n 's/^demo: \([0-9]*\) passed, \([0-9]*\) failed.*/\2/p' "$out" | tail -1)
if [ -z "$p" ]; then echo "FAIL demo: no summary; see $out"; failed=$((failed + 1));
else passed=$((passed + p)); failed=$((failed + f)); echo "demo: $p passed, $f failed"; fi
# The real program, driven as a user would.
out=$log/e2e.txt
timeout 600 "$root/tools/e2e-tests.sh" >"$out" 2>&1
grep '^FAIL' "$out"
p=$(sed -n 's/^e2e: \([0-9]*\) passed, \([0-9]*\) failed.*/\1/p' "$out" | tail -1)
f=$(sed -n 's/^e2e: \([0-9]*\) passed, \([0-9]*\) failed.*/\2/p' "$out" | tail -1)
if [ -z "$p" ]; then echo "FAIL e2e: no summary; see $out"; failed=$((failed + 1));
else passed=$((passed + p)); failed=$((failed + f)); echo "e2e: $p passed, $f failed"; fi
# The short fuzzing pass started at the top: its summary.
wait "$fuzz_pid"
out=$log/fuzz.txt
grep '^FAIL' "$out"
p=$(sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed.*/\1/p' "$out" | tail -1)
f=$(sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed.*/\2/p' "$out" | tail -1)
if [ -z "$p" ]; then echo "FAIL fuzz: no summary; see $out"; failed=$((failed + 1));
else passed=$((passed + p)); failed=$((failed + f)); echo "fuzz: $p passed, $f failed"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
