#!/usr/bin/env bash
# Runs the corpus cases that need pointer or key input, each fed by our own event script
# tests/corpus-input/<case>.events (or a file there whose first line is "# case: <case>")
# through swfrun --input, and compares the trace with the expected one as run-conformance does
# (CR LF as LF, NULs dropped, a missing last line break allowed). Prints one FAIL line per
# failing case and ends with "N passed, M failed".
#
# Usage: tools/run-input-cases.sh [--player SWFRUN] [--corpus DIR] [--timeout SECONDS] [FILTER]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
player=$root/build/native/tools/swfrun/swfrun
corpus=$root/../shared/swf-corpus
limit=30
filter=
while [ $# -gt 0 ]; do
    case $1 in
    --player) player=$2; shift 2 ;;
    --corpus) corpus=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    -*) echo "usage: $0 [--player SWFRUN] [--corpus DIR] [--timeout SECONDS] [FILTER]" >&2; exit 2 ;;
    *) filter=$1; shift ;;
    esac
done
player=$(cd "$(dirname "$player")" && pwd)/$(basename "$player")

# A trace as compared: NULs dropped, CR LF as LF, always ending in a line break.
normalise() { tr -d '\000' | sed -e 's/\r$//' -e '$a\'; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
for events in "$root"/tests/corpus-input/*.events; do
    # A script is named after its case, unless its first line names the case ("# case: NAME").
    name=$(sed -n '1s/^# case: *//p' "$events")
    [ -n "$name" ] || name=$(basename "$events" .events)
    case $name in *"$filter"*) ;; *) continue ;; esac
    dir=$corpus/cases/$name
    if [ ! -f "$dir/expected-trace.txt" ]; then
        echo "FAIL $name: no such trace case in the corpus"
        failed=$((failed + 1))
        continue
    fi
    frames=$(awk -F'\t' -v n="$name" '$1 == n { print $3 }' "$corpus/manifest.tsv")
    # Inside the case folder, as run-conformance runs it: relative loads resolve beside the movie.
    (cd "$dir" && timeout "$limit" "$player" --frames "${frames:-1}" --trace --input "$events" movie.swf) \
        2>/dev/null | normalise >"$work/got"
    status=${PIPESTATUS[0]}
    normalise <"$dir/expected-trace.txt" >"$work/want"
    if [ "$status" -ne 0 ]; then
        echo "FAIL $name: the player exited with status $status"
        failed=$((failed + 1))
    elif ! cmp -s "$work/got" "$work/want"; then
        first=$(diff "$work/want" "$work/got" | sed -n '1,3p' | tr '\n' ' ')
        echo "FAIL $name: $first"
        failed=$((failed + 1))
    else
        passed=$((passed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
