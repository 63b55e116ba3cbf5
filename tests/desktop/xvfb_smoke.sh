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
runner=""
# Ends what this script started on every path, then removes its files: a
# failure is reported at once and leaves no program or X server behind.
cleanup() {
  if [ -n "$runner" ]; then
    if [ -s "$work/pid" ]; then kill -KILL "$(cat "$work/pid")" 2>/dev/null || true; fi
    wait "$runner" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
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
  [ -e "$work/status" ] && fail "the program ended before its window was up: $(cat "$work/stderr")"
  sleep 0.1
done
[ -s "$profile/layout.json" ] || fail "no layout.json after 15 s"
# The program holds the profile: a command meanwhile runs inside it, on its
# live player, and a second start raises its window instead of starting.
pid=$(cat "$work/pid")
[ "$(cat "$profile/profile.lock")" = "$pid desktop" ] || fail "lock file: $(cat "$profile/profile.lock")"
"$vostrel" --profile "$profile" --wait 0 click "<Examples>/Library/Album" >"$work/command.out" 2>&1 ||
  fail "click inside the desktop program: $(cat "$work/command.out")"
"$vostrel" --profile "$profile" --wait 0 playlists >"$work/command.out" 2>&1 ||
  fail "playlists inside the desktop program: $(cat "$work/command.out")"
grep -qx "Vostrel playlist (active)" "$work/command.out" || fail "playlists: $(cat "$work/command.out")"
answer=$(echo "SELECT 6*7 AS answer" | "$vostrel" --profile "$profile" --wait 0 sql --format tsv -)
[ "$answer" = "$(printf 'answer\n42')" ] || fail "sql - inside the desktop program: $answer"
# A script file that only this shell can read: its text goes along.
answer=$("$vostrel" --profile "$profile" --wait 0 sql --format tsv -f <(echo "SELECT 'from a pipe' AS f"))
[ "$answer" = "$(printf 'f\nfrom a pipe')" ] || fail "sql -f inside the desktop program: $answer"
set +e
"$vostrel" --profile "$profile" --wait 0 sql "SELECT nope" >"$work/command.out" 2>&1
status=$?
set -e
[ "$status" = 1 ] && grep -q "no such column: nope" "$work/command.out" ||
  fail "failed statement inside the desktop program: $status $(cat "$work/command.out")"
"$vostrel" --profile "$profile" --library "$library" >"$work/second.out" 2>&1 ||
  fail "second start: $(cat "$work/second.out")"
grep -q "already runs on the profile .*(process $pid)" "$work/second.out" ||
  fail "second start said: $(cat "$work/second.out")"
kill -0 "$pid" || fail "the second start ended the first"
kill -TERM "$pid"
for _ in $(seq 1 100); do
  [ -e "$work/status" ] && break
  sleep 0.1
done
[ -e "$work/status" ] || fail "still running 10 s after SIGTERM"
wait "$runner" || true
runner=""
status=$(cat "$work/status")
[ "$status" = 0 ] || fail "exit status $status after SIGTERM: $(cat "$work/stderr")"

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
  fail "unexpected output on stderr: $(cat "$work/stderr")"
fi
echo "OK"
