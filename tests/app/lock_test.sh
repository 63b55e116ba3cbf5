# One owner per profile: parallel commands take turns and lose nothing; a
# busy profile makes a command wait, then give up naming the holder.

lockfile=$PROFILE/profile.lock

# run_parallel NAME COMMAND...: starts COMMAND N_i times at once, where every
# argument "@" is replaced by the run's number; waits for all and sets
# STATUSES to their exit statuses, space-separated.
run_parallel() {
  local name=$1 pids=() i
  shift
  for i in 1 2 3 4 5 6; do
    "$VOSTREL" --profile "$PROFILE" --library "$LIB" "${@//@/$i}" >"$WORK/$name.$i.out" 2>"$WORK/$name.$i.err" &
    pids+=($!)
  done
  STATUSES=""
  for i in "${!pids[@]}"; do
    wait "${pids[$i]}"
    STATUSES+="$? "
  done
}

# wait_for_holder: until somebody holds the profile's lock (at most 5 s).
wait_for_holder() {
  for _ in $(seq 100); do
    flock -n "$lockfile" true 2>/dev/null || return 0
    sleep 0.05
  done
  return 1
}

for i in 1 2 3 4 5 6; do
  vos node add-query / "Q$i" --query "SELECT title FROM MediaLibrary" --click 9 --click-target "Picks $i"
done
run_parallel click click "Q@"
check "six parallel clicks all succeed" "0 0 0 0 0 0 " "$STATUSES"
vos playlists
for i in 1 2 3 4 5 6; do
  check_contains "the playlist of click $i survives" "Picks $i" "$OUT"
done

run_parallel sql sql "SELECT count(*) FROM MediaLibrary"
check "six parallel sql reads all succeed" "0 0 0 0 0 0 " "$STATUSES"
check "and each printed its count" "$(printf 'count(*)\n4\n%.0s' 1 2 3 4 5 6)" "$(cat "$WORK"/sql.?.out)"

# A holder that never writes its line (a bare flock, here on a descriptor of
# this shell) is an unknown process.
exec {held}>"$lockfile"
flock -x "$held"
vos --wait 1.3 sql "SELECT 1"
check "a busy profile times out with exit 1" 1 "$RC"
check "nothing ran" "" "$OUT"
check "the waiter says once that it waits, then why it gave up" \
  "Waiting for an unknown process to release the profile $PROFILE (up to 1.3 s)...
The profile $PROFILE is in use by an unknown process and was not released within 1.3 s; try again when it has finished, or wait longer with --wait SECONDS." "$ERR"
( sleep 0.5; flock -u "$held" ) &
vos --wait 5 sql "SELECT 8"
check "a waiter goes on once the holder lets go" $'8' "$(echo "$OUT" | tail -1)"
exec {held}>&-

# A command's holder line names it.
"$VOSTREL" --profile "$PROFILE" --library "$LIB" sql \
  "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c" >/dev/null 2>&1 &
holder=$!
wait_for_holder
sleep 0.2
vos --wait 0 tree
check "--wait 0 gives up at once" 1 "$RC"
check "naming the holder's process and kind" \
  "The profile $PROFILE is in use by process $holder (command); try again when it has finished, or wait longer with --wait SECONDS." "$ERR"
kill -KILL "$holder"
wait "$holder" 2>/dev/null
vos --wait 0 sql "SELECT 7"
check "a killed holder's lock does not block" $'7' "$(echo "$OUT" | tail -1)"
check "and its exit is clean" 0 "$RC"

vos --wait -1 sql "SELECT 1"
check "a negative wait is bad usage" 2 "$RC"

# A script piped in from another command on the same profile: the reader
# must not hold the profile while it waits for its input.
(sleep 0.3; "$VOSTREL" --profile "$PROFILE" --library "$LIB" --wait 2 sql --format csv "SELECT 'SELECT 40+2 AS answer'" | tail -1 | tr -d '\r') |
  "$VOSTREL" --profile "$PROFILE" --library "$LIB" --wait 2 sql - >"$WORK/o" 2>"$WORK/e"
check "a piped script from the same profile runs" $'answer\n42' "$(cat "$WORK/o")"
