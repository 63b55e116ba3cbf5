#!/usr/bin/env bash
# Starts an installed program's window on the display in $DISPLAY (with a
# window manager, which gives the new window the focus) on a fresh profile,
# presses F1 and checks that the manual it opens is the installed one. The
# desktop's opener (xdg-open) is replaced by one that notes what it was given.
#   installed_window.sh VOSTREL_BINARY EXPECTED_MANUAL WORK_DIR
set -uo pipefail
vostrel=$1
manual=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

mkdir -p "$work/opener"
cat >"$work/opener/xdg-open" <<SH
#!/bin/sh
echo "\$1" >>"$work/opened"
SH
chmod +x "$work/opener/xdg-open"
profile=$work/window-profile
PATH=$work/opener:$PATH "$vostrel" --profile "$profile" 2>"$work/window.err" &
pid=$!
# The window is up, its panels loaded, once layout.json is written.
for _ in $(seq 1 150); do
  [ -s "$profile/layout.json" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window was up: $(cat "$work/window.err")"
  sleep 0.1
done
[ -s "$profile/layout.json" ] || fail "no window after 15 s: $(cat "$work/window.err")"
for _ in $(seq 1 50); do
  python3 "$here/press_key.py" F1 || fail "could not press F1"
  sleep 0.2
  [ -s "$work/opened" ] && break
done
[ -s "$work/opened" ] || fail "F1 opened nothing: $(cat "$work/window.err")"
opened=$(head -n 1 "$work/opened")
[ "$opened" = "file://$manual" ] || fail "F1 opened $opened, not file://$manual"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "exit status $status after SIGTERM: $(cat "$work/window.err")"
echo "window: F1 opened $opened"
