#!/usr/bin/env bash
# Builds the movie loader fuzzer (libFuzzer with address and undefined-behaviour checks) and runs it.
# Usage: tools/swf/fuzz.sh [seconds] [extra libFuzzer options]
# Seeds are the corpus movies; new inputs go to build/fuzz/corpus, crashes to build/fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
secs=${1:-300}
shift || true
mkdir -p "$out/corpus" "$out/seeds"
bin=$out/swf_fuzz_loader
srcs=("$root"/src/swf/*.cpp "$root/tools/swf/fuzz_loader.cpp")
if [ ! -x "$bin" ] || [ -n "$(find "${srcs[@]}" "$root"/src/swf/*.h -newer "$bin" 2>/dev/null)" ]; then
  clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -I"$root/src" "${srcs[@]}" -o "$bin" -lz -ljpeg -llzma
fi
if [ -d /work/shared/swf-corpus/cases ] && [ -z "$(ls -A "$out/seeds")" ]; then
  n=0
  for f in /work/shared/swf-corpus/cases/*/movie.swf; do
    [ "$(stat -c %s "$f")" -le 65536 ] || continue
    cp "$f" "$out/seeds/$n.swf"; n=$((n + 1))
  done
fi
cd "$out"
exec "$bin" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=1024 "$@" corpus seeds
