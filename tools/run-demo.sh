#!/usr/bin/env bash
# Sets up, builds Plumora for 64-bit Windows, assembles a demo install folder and starts the
# program on it under Wine:
#   - with $DISPLAY set: on that display, until you close the window;
#   - without one: on a virtual display (Xvfb), where it waits for the main window, takes a
#     screenshot (build/demo-screenshot.png) and closes the program again.
# The install folder is build/demo-install: Plumora.exe, FlashFiles/ with our own small demo
# movies, DocFiles/ with their descriptions (tools/make-demo.py writes both).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
install=$root/build/demo-install
shot=$root/build/demo-screenshot.png
title="Plumora Version 1.0.1"
python=/usr/bin/python3   # Debian's Python, which has PIL; a pyenv or venv python may not

if [ -z "${PLUMORA_DEMO_IN_XVFB:-}" ]; then
  "$root/tools/setup.sh"
  # Only the program itself is needed here; a half-finished test elsewhere must not stop the demo.
  "$root/tools/build.sh" win64 -- --target plumora || true
  exe=$root/build/win64/src/app/Plumora.exe
  if [ ! -e "$exe" ]; then
    echo "run-demo: Plumora.exe was not built (expected $exe); see the build output above." >&2
    exit 1
  fi
  rm -rf "$install"
  mkdir -p "$install"
  cp "$exe" "$install/"
  "$python" "$root/tools/make-demo.py" "$install"
fi

# The program runs in a Wine prefix of its own, set up like the build's (Chinese code page, 宋体
# mapped to a CJK font). Not the test prefix: one prefix's windows cannot live on two X displays,
# and a test run under another Xvfb would make either side fail with X "BadWindow" errors.
export WINEPREFIX=$root/build/demo-wineprefix

if [ -n "${DISPLAY:-}" ] && [ -z "${PLUMORA_DEMO_IN_XVFB:-}" ]; then
  echo "run-demo: starting Plumora on $DISPLAY (close its window to end)"
  exec "$root/tools/wine-run.sh" "$install/Plumora.exe"
fi

if [ -z "${PLUMORA_DEMO_IN_XVFB:-}" ]; then
  echo "run-demo: no display; running Plumora on a virtual one"
  PLUMORA_DEMO_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

# Inside Xvfb from here on.
"$root/tools/wine-prefix.sh" "$WINEPREFIX"
"$root/tools/wine-run.sh" "$install/Plumora.exe" &
pid=$!
stop() {
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}
trap stop EXIT

window=
for _ in $(seq 120); do
  window=$(xdotool search --name "$title" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "run-demo: Plumora ended before its window appeared" >&2; exit 1; }
  sleep 0.5
done
if [ -z "$window" ]; then
  # Whatever is on the screen (an error box, say) tells why.
  import -window root "$shot"
  echo "run-demo: no window titled \"$title\" appeared within 60 seconds; the screen is in $shot" >&2
  exit 1
fi
sleep 4   # let it maximise, fill the tree and paint
import -window root "$shot"
echo "run-demo: screenshot of the running program saved to $shot"
