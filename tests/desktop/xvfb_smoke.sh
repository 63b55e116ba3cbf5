#!/usr/bin/env bash
# Starts the real desktop program under a virtual X server on a fresh
# profile, waits until its main window is up (it writes layout.json once the
# window is shown and its panels are loaded), ends it with SIGTERM and checks
# that it quit cleanly with layout.json and playlists.json intact.
#   xvfb_smoke.sh VOSTREL_BINARY DEMO_LIBRARY
set -euo pipefail
vostrel=$1
library=$2
if ! command -v xvfb-run >/dev/null; then
  echo "SKIP: xvfb-run is not installed (Debian package xvfb)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
profile=$work/profile
unset QT_QPA_PLATFORM
# Under the sanitizers, leaks of the system's own libraries are not ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$1" --profile "$2" --library "$3" 2>"$4/stderr" &
  echo $! >"$4/pid"
  wait $!
  echo $? >"$4/status"' _ "$vostrel" "$profile" "$library" "$work" &
runner=$!

for _ in $(seq 1 150); do
  [ -s "$profile/layout.json" ] && break
  if [ -e "$work/status" ]; then
    echo "FAIL: the program ended before its window was up:"; cat "$work/stderr"; exit 1
  fi
  sleep 0.1
done
if [ ! -s "$profile/layout.json" ]; then
  echo "FAIL: no layout.json after 15 s"; kill "$(cat "$work/pid")" 2>/dev/null || true; exit 1
fi
# The program holds the profile: a command meanwhile is refused, naming it.
pid=$(cat "$work/pid")
[ "$(cat "$profile/profile.lock")" = "$pid desktop" ] || { echo "FAIL: lock file: $(cat "$profile/profile.lock")"; exit 1; }
if "$vostrel" --profile "$profile" --wait 0 playlists >"$work/command.out" 2>&1; then
  echo "FAIL: a command ran on the profile the desktop program holds"; exit 1
fi
grep -q "in use by process $pid (desktop)" "$work/command.out" || { echo "FAIL: refusal: $(cat "$work/command.out")"; exit 1; }
kill -TERM "$pid"
for _ in $(seq 1 100); do
  [ -e "$work/status" ] && break
  sleep 0.1
done
wait "$runner" || true
if [ ! -e "$work/status" ]; then
  echo "FAIL: still running 10 s after SIGTERM"; kill -KILL "$(cat "$work/pid")" 2>/dev/null || true; exit 1
fi
status=$(cat "$work/status")
[ "$status" = 0 ] || { echo "FAIL: exit status $status after SIGTERM"; cat "$work/stderr"; exit 1; }

python3 - "$profile" <<'PY'
import json, sys
profile = sys.argv[1]
layout = json.load(open(profile + "/layout.json"))
assert len(layout["panels"]) == 1, layout
assert len(bytes.fromhex(layout["panels"][0]["settings"])) == 135
assert layout["window"]["geometry"] and layout["window"]["state"]
playlists = json.load(open(profile + "/playlists.json"))
assert playlists["playlists"], "the demo library's playlists were stored"
PY
if grep -v "XDG_RUNTIME_DIR" "$work/stderr" | grep -q .; then
  echo "FAIL: unexpected output on stderr:"; cat "$work/stderr"; exit 1
fi
echo "OK"
