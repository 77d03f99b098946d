#!/usr/bin/env bash
# Starts the simulator on a virtual port paced like the real 1200 bit/s line and opens the
# configurator on it. Without a display the window runs under Xvfb, logs in by itself, lets a
# few status polls pass and saves a screenshot.
set -euo pipefail
BUILD=${1:?usage: demo.sh BUILD_DIR}
LINK=${VELT_DEMO_LINK:-/tmp/velt-sim}
SHOT=${VELT_DEMO_SHOT:-$PWD/velt-demo.png}
work=$(mktemp -d)
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$BUILD/velt-sim" --link "$LINK" >"$work/sim.out" 2>"$work/sim.err" &
sim=$!
for _ in $(seq 100); do
  [ -s "$work/sim.out" ] && break
  kill -0 "$sim" 2>/dev/null || { cat "$work/sim.err" >&2; exit 1; }
  sleep 0.05
done
echo "Simulator: $(head -n 1 "$work/sim.out")"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$BUILD/velt"
else
  echo "No display: running the window under Xvfb."
  xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD/tools/demo/velt-demo" "$LINK" "$SHOT"
fi
