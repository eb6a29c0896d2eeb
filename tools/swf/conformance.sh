#!/usr/bin/env bash
# Runs the image cases of the conformance corpus with swfrun and sums up:
#   all image cases (needs=none), and those without scripts.
# Usage: tools/swf/conformance.sh [report.tsv] [extra run-conformance args]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
corpus=$root/../shared/swf-corpus
report=${1:-/tmp/swf-conformance.tsv}
shift || true
"$corpus/run-conformance" --player "$root/build/native/tools/swfrun/swfrun" --kind image --jobs 2 \
    --report "$report" "$@" >/dev/null 2>&1
awk -F'\t' -v rep="$report" '
  BEGIN { while ((getline l < rep) > 0) { split(l, f, "\t"); st[f[1]] = f[2]; det[f[1]] = f[3] } }
  NR > 1 && ($2 == "image" || $2 == "both") && $10 == "none" && ($1 in st) {
    all++; if (st[$1] == "pass" || st[$1] == "PASS" || st[$1] == "passed") allp++
    if ($9 == "") { free++; if (st[$1] ~ /^(pass|PASS|passed)$/) freep++; else print "FAIL " $1 ": " det[$1] }
  }
  END { printf "script-free image cases: %d/%d passed\nall image cases: %d/%d passed\n", freep, free, allp, all }
' "$corpus/manifest.tsv"
