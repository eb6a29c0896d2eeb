#!/usr/bin/env bash
# Builds a fuzzer (libFuzzer with address and undefined-behaviour checks) and runs it.
# Usage: tools/swf/fuzz.sh [loader|avm1|sound] [seconds] [extra libFuzzer options]
#   loader  fuzz_loader.cpp: arbitrary bytes loaded as a movie, played and drawn (the default)
#   avm1    fuzz_avm1.cpp: arbitrary bytes run as the action blocks of a small movie
#   sound   fuzz_sound.cpp: arbitrary bytes decoded as an event sound and as stream blocks
# Seeds are the corpus movies (for avm1: their action blocks); new inputs go to
# build/fuzz/<target>/corpus, crashes to build/fuzz/<target>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
target=loader
case "${1:-}" in loader|avm1|sound) target=$1; shift ;; esac
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
if [ ! -x "$bin" ] || [ "$main" -nt "$bin" ] || [ -n "$(find "$objs" -name '*.o' -newer "$bin")" ]; then
  clang++ "${flags[@]/fuzzer-no-link/fuzzer}" "$main" "$objs"/*.o -o "$bin" -lz -ljpeg -llzma -lmpg123 -lspeex
fi

corpus=$root/../shared/swf-corpus
if [ -d "$corpus/cases" ] && [ -z "$(ls -A "$out/seeds")" ]; then
  if [ "$target" = loader ]; then
    n=0
    for f in "$corpus"/cases/*/movie.swf; do
      [ "$(stat -c %s "$f")" -le 65536 ] || continue
      cp "$f" "$out/seeds/$n.swf"; n=$((n + 1))
    done
  elif command -v python3 >/dev/null; then
    # Each DoAction and DoInitAction block of the corpus, as the first part of a fuzz_avm1 input.
    python3 - "$out/seeds" "$corpus" <<'EOF'
import glob, os, struct, sys, zlib
out = sys.argv[1]
def tags(buf):
    i = 0
    while i + 2 <= len(buf):
        h = struct.unpack_from('<H', buf, i)[0]; i += 2
        code, n = h >> 6, h & 63
        if n == 63:
            if i + 4 > len(buf): return
            n = struct.unpack_from('<I', buf, i)[0]; i += 4
        yield code, buf[i:i + n]
        i += n
        if code == 0: return
def blocks(buf):
    for code, body in tags(buf):
        if code == 12: yield body
        elif code == 59: yield body[2:]
        elif code == 39: yield from blocks(body[4:])
count = 0
for path in sorted(glob.glob(sys.argv[2] + '/cases/*/movie.swf')):
    data = open(path, 'rb').read()
    try:
        body = zlib.decompress(data[8:]) if data[:1] == b'C' else data[8:] if data[:1] == b'F' else None
    except zlib.error:
        continue
    if not body: continue
    start = ((5 + 4 * (body[0] >> 3) + 7) // 8) + 4
    version = min(max(data[3], 5), 10) - 5
    for block in blocks(body[start:]):
        if 0 < len(block) <= 16384:
            open(os.path.join(out, '%d' % count), 'wb').write(bytes([version, 0, 255, 0]) + block)
            count += 1
EOF
  fi
fi
cd "$out"
# Sanitized frames are several times larger than release ones: give script recursion (up to the
# machine's call-depth cap) the room a release build has.
ulimit -s 65536 2>/dev/null || true
exec "$bin" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$@" corpus seeds
