#!/usr/bin/env bash
# A short fuzzing pass for every test run: builds each fuzzer of tools/swf (through fuzz.sh, so the
# sanitized engine objects are shared with longer runs) and runs it for a few seconds over the kept
# corpus in tests/fuzz-corpus/<target>. The kept corpus is only read: what the run finds goes to a
# temporary folder and is thrown away. A failed build, a crash, a timeout, running out of memory or
# any sanitizer report fails the target; its log and reproducer stay in build/fuzz/smoke/<target>.
# Each target starts from the same random seed and stops after a fixed number of inputs (or its
# time), so that a run finds what the previous one found: a new fault shows up in a longer run
# (tools/swf/fuzz.sh), not at random in an unrelated change's tests.
# Usage: tools/fuzz-smoke.sh [seconds per target, 20 by default] [inputs per target, 3000]
# Ends with "fuzz: N passed, M failed", one count per target.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-20}
runs=${2:-3000}
targets=(loader avm1 sound images layout text)
passed=0; failed=0

fail() { # target, reason
    echo "FAIL fuzz-$1: $2"
    failed=$((failed + 1))
}

# Runs one built fuzzer; prints nothing and returns 0 when it ran its time out cleanly.
run_target() { # target, fuzzer
    local target=$1 bin=$2
    local keep=$root/build/fuzz/smoke/$target
    rm -rf "$keep" && mkdir -p "$keep"
    local fresh
    fresh=$(mktemp -d) || return 1
    # Sanitized frames are several times larger than release ones; scripts may recurse deeply.
    (ulimit -s 65536 2>/dev/null; cd "$keep" && timeout $((secs + 120)) "$bin" -seed=1 -runs="$runs" -max_total_time="$secs" \
        -max_len=65536 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$keep/" \
        "$fresh" "$root/tests/fuzz-corpus/$target") >"$keep/log.txt" 2>&1
    local rc=$?
    rm -rf "$fresh"
    local repro
    repro=$(find "$keep" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' -o -name 'slow-unit-*' \) | head -1)
    # Reports the run recovers from (float-to-int overflow) still count: each is a real fault.
    if [ $rc -ne 0 ] || [ -n "$repro" ] || grep -q 'runtime error:\|ERROR: AddressSanitizer\|ERROR: libFuzzer' "$keep/log.txt"; then
        local what
        what=$(grep -m1 'runtime error:\|ERROR: AddressSanitizer\|ERROR: libFuzzer\|==ERROR' "$keep/log.txt")
        fail "$target" "${what:-exit code $rc}; reproducer ${repro:-none}; log $keep/log.txt"
        return 1
    fi
    echo "fuzz-$target: $(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$keep/log.txt" | tail -1) runs (at most $runs in ${secs}s)"
    return 0
}

for target in "${targets[@]}"; do
    log=$root/build/fuzz/smoke-build-$target.txt
    mkdir -p "$root/build/fuzz"
    if [ ! -d "$root/tests/fuzz-corpus/$target" ]; then
        fail "$target" "no kept corpus in tests/fuzz-corpus/$target"
        continue
    fi
    if ! bin=$("$root/tools/swf/fuzz.sh" --build-only "$target" 2>"$log" | tail -1) || [ ! -x "$bin" ]; then
        tail -20 "$log"
        fail "$target" "build failed; see $log"
        continue
    fi
    run_target "$target" "$bin" && passed=$((passed + 1))
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
