#!/usr/bin/env bash
# Builds a fuzzer (libFuzzer with address and undefined-behaviour checks) and runs it.
# Usage: tools/swf/fuzz.sh [--build-only] [loader|avm1|sound|images|layout|text] [seconds] [extra libFuzzer options]
#   loader  fuzz_loader.cpp: arbitrary bytes loaded as a movie, played and drawn (the default)
#   avm1    fuzz_avm1.cpp: arbitrary bytes run as the action blocks of a small movie
#   sound   fuzz_sound.cpp: arbitrary bytes decoded as an event sound and as stream blocks
#   images  fuzz_images.cpp: arbitrary bytes decoded as JPEG, PNG, GIF and lossless bitmap tags
#   layout  fuzz_layout.cpp: arbitrary bytes read as a window layout (src/ui/LayoutParser.cpp)
#   text    fuzz_text.cpp: arbitrary bytes as a description file's encoding (src/ui/TextEncoding.cpp)
# Seeds are the kept corpus (tests/fuzz-corpus/<target>) and what fuzz_seeds.py takes out of the
# shared corpus movies; new inputs go to build/fuzz/<target>/corpus, crashes to
# build/fuzz/<target>/. --build-only builds the fuzzer and prints its path (tools/fuzz-smoke.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_only=
[ "${1:-}" = --build-only ] && { build_only=1; shift; }
target=loader
case "${1:-}" in loader|avm1|sound|images|layout|text) target=$1; shift ;; esac
secs=${1:-300}
shift || true
out=$root/build/fuzz/$target
objs=$root/build/fuzz/obj
mkdir -p "$out/corpus" "$out/seeds" "$objs"
# Out-of-range float-to-int conversions are reported in the log but do not stop the run (so that
# one such site does not hide everything behind it); every other finding stops it.
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -fsanitize-recover=float-cast-overflow -I"$root/src")

# The library, one object per source; everything is rebuilt when a header or the flags changed.
if [ "$(cat "$objs/flags" 2>/dev/null)" != "${flags[*]}" ]; then
  rm -f "$objs"/*.o
  echo "${flags[*]}" > "$objs/flags"
fi
newest_header=$(find "$root/src/swf" -name '*.h' -printf '%T@\n' | sort -n | tail -1)
stale=()
for src in $(find "$root/src/swf" -name '*.cpp' | sort); do
  obj=$objs/$(echo "${src#$root/src/}" | tr / _).o
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || \
     awk -v h="$newest_header" -v o="$(stat -c %Y "$obj")" 'BEGIN { exit !(h > o) }'; then
    stale+=("$src")
  fi
done
if [ ${#stale[@]} -gt 0 ]; then
  printf '%s\n' "${stale[@]}" | xargs -P "$(nproc)" -I{} sh -c \
    'src={}; obj='"$objs"'/$(echo "${src#'"$root"'/src/}" | tr / _).o; clang++ '"${flags[*]}"' -c "$src" -o "$obj"'
fi
bin=$out/swf_fuzz_$target
main=$root/tools/swf/fuzz_$target.cpp
if [ "$target" = layout ]; then
  # The layout reader stands alone: it needs neither the engine nor its libraries.
  ui=$root/src/ui/LayoutParser.cpp
  if [ ! -x "$bin" ] || [ "$main" -nt "$bin" ] || [ "$ui" -nt "$bin" ] || [ "$root/src/ui/LayoutParser.h" -nt "$bin" ]; then
    clang++ "${flags[@]/fuzzer-no-link/fuzzer}" "$main" "$ui" -o "$bin"
  fi
elif [ "$target" = text ]; then
  # So does the description decoder's own part.
  ui=$root/src/ui/TextEncoding.cpp
  if [ ! -x "$bin" ] || [ "$main" -nt "$bin" ] || [ "$ui" -nt "$bin" ] || [ "$root/src/ui/TextEncoding.h" -nt "$bin" ]; then
    clang++ "${flags[@]/fuzzer-no-link/fuzzer}" "$main" "$ui" -o "$bin"
  fi
elif [ ! -x "$bin" ] || [ "$main" -nt "$bin" ] || [ -n "$(find "$objs" -name '*.o' -newer "$bin")" ]; then
  clang++ "${flags[@]/fuzzer-no-link/fuzzer}" "$main" "$objs"/*.o -o "$bin" -lz -ljpeg -llzma -lmpg123 -lspeex
fi
[ -n "$build_only" ] && { echo "$bin"; exit 0; }

corpus=$root/../shared/swf-corpus
if [ -d "$corpus/cases" ] && [ -z "$(ls -A "$out/seeds")" ] && command -v python3 >/dev/null; then
  python3 "$root/tools/swf/fuzz_seeds.py" extract "$target" "$out/seeds" "$corpus"/cases/*/movie.swf
fi
kept=$root/tests/fuzz-corpus/$target
[ -d "$kept" ] || kept=
cd "$out"
# Sanitized frames are several times larger than release ones: give script recursion (up to the
# machine's call-depth cap) the room a release build has.
ulimit -s 65536 2>/dev/null || true
exec "$bin" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$@" corpus seeds $kept
