#!/usr/bin/env bash
# Runs a Qt test program on a virtual X server with a real window manager
# (openbox), where windows are placed, decorated and sized as on a desktop,
# and returns its exit status. Everything it starts is ended on every path.
#   with_window_manager.sh TEST_PROGRAM [ARGS...]
set -uo pipefail
for program in Xvfb openbox xprop; do
  if ! command -v "$program" >/dev/null; then
    echo "SKIP: $program is not installed (scripts/setup installs xvfb, openbox and x11-utils)"
    exit 77
  fi
done
work=$(mktemp -d)
xvfb=""
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# A free display: Xvfb writes the number it took with -displayfd.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$(cat "$work/display")
openbox --sm-disable >"$work/wm.log" 2>&1 &
wm=$!
# openbox owns the screen once it has set its property on the root window.
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
export QT_QPA_PLATFORM=xcb
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
"$@"
