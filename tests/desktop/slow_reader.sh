#!/usr/bin/env bash
# A reader that stops reading holds up its own command only. The real
# desktop program runs under a virtual X server; `vostrel sql` over three
# million rows is sent to it with its output going to `sleep`, which reads
# nothing. Meanwhile another command is answered at once, a second start
# raises the window, and the program's memory stays small. When the reader
# goes, its command ends and the next one runs.
#   slow_reader.sh VOSTREL_BINARY DEMO_LIBRARY
set -euo pipefail
vostrel=$1
library=$2
if ! command -v xvfb-run >/dev/null; then
  echo "SKIP: xvfb-run is not installed (Debian package xvfb)"
  exit 77
fi
work=$(mktemp -d)
runner=""
slow=""
# Ends what this script started on every path, then removes its files.
cleanup() {
  if [ -n "$slow" ]; then kill "$slow" 2>/dev/null || true; fi
  if [ -n "$runner" ]; then
    if [ -s "$work/pid" ]; then kill -KILL "$(cat "$work/pid")" 2>/dev/null || true; fi
    wait "$runner" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -e "$work/stderr" ] && tail -20 "$work/stderr"
  exit 1
}
# Milliseconds since the epoch.
now() { date +%s%3N; }
profile=$work/profile
unset QT_QPA_PLATFORM
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$1" --profile "$2" --library "$3" 2>"$4/stderr" &
  echo $! >"$4/pid"
  wait $!
  echo $? >"$4/status"' _ "$vostrel" "$profile" "$library" "$work" &
runner=$!
for _ in $(seq 1 150); do
  [ -s "$profile/layout.json" ] && break
  [ -e "$work/status" ] && fail "the program ended before its window was up"
  sleep 0.1
done
[ -s "$profile/layout.json" ] || fail "no layout.json after 15 s"
pid=$(cat "$work/pid")

# About 120 MB of output into a reader that takes none of it for 4 s.
"$vostrel" --profile "$profile" sql --format tsv "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c \
LIMIT 3000000) SELECT x, 'padding padding padding padding' FROM c" 2>"$work/slow.err" | sleep 4 &
slow=$!
sleep 1

started=$(now)
answer=$(timeout 10 "$vostrel" --profile "$profile" --wait 3 sql --format tsv "SELECT 6*7 AS answer" 2>&1) ||
  fail "another command while the reader waits: $answer"
took=$(($(now) - started))
[ "$answer" = "$(printf 'answer\n42')" ] || fail "another command said: $answer"
[ "$took" -lt 2000 ] || fail "another command took $took ms"
timeout 10 "$vostrel" --profile "$profile" >"$work/second.out" 2>&1 || fail "second start: $(cat "$work/second.out")"
grep -q "its window was brought to the front" "$work/second.out" || fail "second start said: $(cat "$work/second.out")"
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
echo "while the reader waits: another command took $took ms; the program's memory is $((rss / 1024)) MB"
# The sanitizers' own memory would swamp the figure.
if [ -z "${VOSTREL_SANITIZED:-}" ]; then
  [ "$rss" -lt 200000 ] || fail "the program holds $((rss / 1024)) MB"
fi

# The reader goes: its command ends at once, and so does the sender.
wait "$slow" || true
slow=""
answer=$(timeout 10 "$vostrel" --profile "$profile" --wait 3 sql --format tsv "SELECT 'after' AS a" 2>&1) ||
  fail "a command after the reader went: $answer"
[ "$answer" = "$(printf 'a\nafter')" ] || fail "a command after the reader went said: $answer"
kill -0 "$pid" || fail "the program is gone"

kill -TERM "$pid"
for _ in $(seq 1 100); do
  [ -e "$work/status" ] && break
  sleep 0.1
done
[ -e "$work/status" ] || fail "still running 10 s after SIGTERM"
wait "$runner" || true
runner=""
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status") after SIGTERM"
echo "OK"
