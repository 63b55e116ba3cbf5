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
# The program holds the profile: a command meanwhile runs inside it, on its
# live player, and a second start raises its window instead of starting.
pid=$(cat "$work/pid")
[ "$(cat "$profile/profile.lock")" = "$pid desktop" ] || { echo "FAIL: lock file: $(cat "$profile/profile.lock")"; exit 1; }
"$vostrel" --profile "$profile" --wait 0 click "<Examples>/Library/Album" >"$work/command.out" 2>&1 ||
  { echo "FAIL: click inside the desktop program: $(cat "$work/command.out")"; exit 1; }
"$vostrel" --profile "$profile" --wait 0 playlists >"$work/command.out" 2>&1 ||
  { echo "FAIL: playlists inside the desktop program: $(cat "$work/command.out")"; exit 1; }
grep -qx "Vostrel playlist (active)" "$work/command.out" || { echo "FAIL: playlists: $(cat "$work/command.out")"; exit 1; }
answer=$(echo "SELECT 6*7 AS answer" | "$vostrel" --profile "$profile" --wait 0 sql --format tsv -)
[ "$answer" = "$(printf 'answer\n42')" ] || { echo "FAIL: sql - inside the desktop program: $answer"; exit 1; }
# A script file that only this shell can read: its text goes along.
answer=$("$vostrel" --profile "$profile" --wait 0 sql --format tsv -f <(echo "SELECT 'from a pipe' AS f"))
[ "$answer" = "$(printf 'f\nfrom a pipe')" ] || { echo "FAIL: sql -f inside the desktop program: $answer"; exit 1; }
set +e
"$vostrel" --profile "$profile" --wait 0 sql "SELECT nope" >"$work/command.out" 2>&1
status=$?
set -e
[ "$status" = 1 ] && grep -q "no such column: nope" "$work/command.out" ||
  { echo "FAIL: failed statement inside the desktop program: $status $(cat "$work/command.out")"; exit 1; }
"$vostrel" --profile "$profile" --library "$library" >"$work/second.out" 2>&1 ||
  { echo "FAIL: second start: $(cat "$work/second.out")"; exit 1; }
grep -q "already runs on the profile .*(process $pid)" "$work/second.out" ||
  { echo "FAIL: second start said: $(cat "$work/second.out")"; exit 1; }
kill -0 "$pid" || { echo "FAIL: the second start ended the first"; exit 1; }
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
assert "Vostrel playlist" in [p["name"] for p in playlists["playlists"]], "the forwarded click was saved"
PY
if grep -v "XDG_RUNTIME_DIR" "$work/stderr" | grep -q .; then
  echo "FAIL: unexpected output on stderr:"; cat "$work/stderr"; exit 1
fi
echo "OK"
