#!/usr/bin/env bash
# Builds everything and runs every test program: the native SWF engine tests directly, the
# Windows tests under Wine inside one virtual X display. Ends with "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" || exit 1
"$root/tools/build.sh" native win64 || { echo "0 passed, 1 failed"; exit 1; }

# Makes sure the test prefix exists before the clock of any single test starts.
"$root/tools/wine-prefix.sh" "$root/build/win64/wineprefix"

if [ -z "${PLUMORA_IN_XVFB:-}" ] && [ -z "${DISPLAY:-}" -o -n "${CI:-}" ]; then
  PLUMORA_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$root/tools/run-test-programs.sh"
fi
exec "$root/tools/run-test-programs.sh"
