#!/usr/bin/env bash
# The desktop program watches a music folder of a few thousand files, every
# one of which changes, twice. It must stay up and keep every track.
#
# The start reads the library cache's rows (its snapshot is gone, as after
# any rescan that a folder change triggered), so the watcher's cache alone
# holds the tracks of its first scan when the files change.
#   watcher_churn.sh VOSTREL_BINARY MAKE_MUSIC_BINARY [FILES]
set -euo pipefail
vostrel=$1
make_music=$2
files=${3:-3000}
if ! command -v xvfb-run >/dev/null; then
  echo "SKIP: xvfb-run is not installed (Debian package xvfb)"
  exit 77
fi
work=$(mktemp -d)
runner=""
# Ends what this script started on every path, then removes its files.
cleanup() {
  if [ -n "$runner" ]; then
    [ -s "$work/pid" ] && kill -KILL "$(cat "$work/pid")" 2>/dev/null
    wait "$runner" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -e "$work/stderr" ] && tail -30 "$work/stderr"
  exit 1
}
profile=$work/profile
music=$work/music
unset QT_QPA_PLATFORM
export TZ=UTC
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# SQL on the cache file, as another program would run it.
cache_sql() {
  python3 -c 'import sqlite3, sys
db = sqlite3.connect(sys.argv[1], timeout=30)
rows = db.execute(sys.argv[2]).fetchall()
db.commit()
print(rows[0][0] if rows else "")' "$profile/library.db" "$1"
}
# The desktop's answer to a forwarded statement; empty when it has none.
desktop_sql() {
  "$vostrel" --profile "$profile" --wait 30 sql --format tsv "$1" 2>/dev/null | tail -n +2
}

"$make_music" --files "$files" --out "$music" >/dev/null
count=$("$vostrel" --profile "$profile" --library "$music" sql --format tsv "SELECT count(*) FROM MediaLibrary" |
  tail -n 1)
[ "$count" = "$files" ] || fail "the command found $count tracks, not $files"
cache_sql "DELETE FROM snapshots" >/dev/null

started=$SECONDS
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$1" --profile "$2" --library "$3" 2>"$4/stderr" &
  echo $! >"$4/pid"
  wait $!
  echo $? >"$4/status"' _ "$vostrel" "$profile" "$music" "$work" &
runner=$!

# The start-up scan is a full one and keeps a snapshot when it ends; the
# window then watches every folder below the music folder.
for _ in $(seq 1 600); do
  [ -e "$work/status" ] && fail "the program ended during its start"
  [ "$(cache_sql "SELECT count(*) FROM snapshots" 2>/dev/null || echo 0)" -gt 0 ] && break
  sleep 0.1
done
[ "$(cache_sql "SELECT count(*) FROM snapshots")" -gt 0 ] || fail "no start-up scan after 60 s"
sleep 1

for round in 1 2; do
  stamp=$((1700000000 + round * 1000))
  find "$music" -type f -print0 | xargs -0 touch -d "@$stamp"
  # The window's library holds every file, each with its new time.
  when=$(date -u -d "@$stamp" '+%Y-%m-%d %H:%M:%S')
  changed=""
  for _ in $(seq 1 240); do
    [ -e "$work/status" ] && fail "the program ended after change $round"
    changed=$(desktop_sql "SELECT count(*) FROM MediaLibrary WHERE last_modified = '$when'")
    total=$(desktop_sql "SELECT count(*) FROM MediaLibrary")
    [ "$changed" = "$files" ] && [ "$total" = "$files" ] && break
    sleep 0.5
  done
  [ "$changed" = "$files" ] || fail "after change $round the window has $changed of $files tracks changed"
done
kill -0 "$(cat "$work/pid")" || fail "the program is gone"
kill -TERM "$(cat "$work/pid")"
wait "$runner" || true
runner=""
[ "$(cat "$work/status" 2>/dev/null)" = 0 ] || fail "exit status $(cat "$work/status" 2>/dev/null) after SIGTERM"
echo "watcher churn of $files files, twice: $((SECONDS - started)) s"
