# Ctrl+C stops the running statement, the command ends with exit 1 and
# says so, and a node whose query never ends locks nobody out.

forever="WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) AS n FROM c"
endless_tracks="SELECT title FROM MediaLibrary WHERE (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c) > 0"

# catches_sigint PID: whether the process has its Ctrl+C handler in place
# (bit 2 of the caught-signals mask).
catches_sigint() {
  local mask
  mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (16#$mask >> 1) & 1 ))
}

# interrupted ARGS...: runs vostrel in the background, sends SIGINT once it
# is busy, and sets OUT, ERR and RC as vos does. A command that is still
# running 10 s later is killed (RC 137).
interrupted() {
  "$VOSTREL" --profile "$PROFILE" --library "$LIB" "$@" >"$WORK/out" 2>"$WORK/err" &
  local pid=$! waited=0
  # A loaded machine (or a sanitizer build) may take longer than the usual
  # fraction of a second to get there: wait for the handler, then a little.
  while ! catches_sigint "$pid" && kill -0 "$pid" 2>/dev/null && [ $waited -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  waited=0
  sleep 0.6
  kill -INT "$pid"
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid"
  RC=$?
  OUT=$(cat "$WORK/out")
  ERR=$(cat "$WORK/err")
}

# bounded ARGS...: vos, but a command still running after 10 s is killed
# (RC 137), so that a node that locks the profile fails the test instead of
# hanging it.
bounded() {
  timeout -s KILL 10 "$VOSTREL" --profile "$PROFILE" --library "$LIB" "$@" >"$WORK/out" 2>"$WORK/err"
  RC=$?
  OUT=$(cat "$WORK/out")
  ERR=$(cat "$WORK/err")
}

stopped="Interrupted (Ctrl+C): the statement that was running was stopped."

interrupted sql "$forever"
check "sql: Ctrl+C ends with exit 1" 1 "$RC"
check_contains "sql: with the interruption error" "interrupted" "$ERR"

vos node add-folder / Work
vos node add-query Work Endless --query "$endless_tracks" --click 9 --click-target "Endless picks"
interrupted click Work/Endless
check "click: Ctrl+C stops the collection, exit 1" 1 "$RC"
check_contains "click: says it was interrupted" "$stopped" "$ERR"

# From here on every load runs a query that never ends.
vos node add-query Work Forever --query "$forever" --refresh-on-load
check "a node whose query never ends" 0 "$RC"

interrupted tree
check "tree: Ctrl+C stops the load's refresh, exit 1" 1 "$RC"
check_contains "tree: the refresh's interruption is reported" $'SQLite Error: (9) interrupted\n\nError while executing:\n'"$forever" "$ERR"
check_contains "tree: and the command says it was interrupted" "$stopped" "$ERR"
check_contains "tree: the rest of the tree still loads and prints" $'Work\n  Endless\n  Forever' "$OUT"

interrupted tree --refresh
check "tree --refresh: one Ctrl+C ends it, exit 1" 1 "$RC"
check_contains "tree --refresh: says it was interrupted" "$stopped" "$ERR"
check_contains "tree --refresh: and prints the tree" $'Work\n  Endless\n  Forever' "$OUT"

interrupted node edit Work/Forever --label "Still forever"
check "node edit: goes on after the interrupted load, exit 1" 1 "$RC"
check_contains "node edit: says it was interrupted" "$stopped" "$ERR"
labels="SELECT group_concat(tri_label, ',') FROM (SELECT tri_label FROM vos_TreeItem WHERE tri_parent_id = (SELECT tri_node_id FROM vos_TreeItem WHERE tri_label = 'Work') ORDER BY tri_node_id)"
vos sql "$labels"
check "node edit: the edit was stored" "Endless,Still forever" "$(echo "$OUT" | tail -1)"

interrupted node delete "Work/Still forever"
check "node delete: goes on after the interrupted load, exit 1" 1 "$RC"
vos sql "$labels"
check "node delete: the node is gone" "Endless" "$(echo "$OUT" | tail -1)"
bounded tree
check "and the tree loads without waiting" 0 "$RC"
check_contains "without the deleted node" $'Work\n  Endless' "$OUT"

# A script that leaves its transaction open does not get to keep its work
# and must not say it did.
vos sql "BEGIN; CREATE TABLE t(x); INSERT INTO t VALUES(1); SELECT count(*) FROM t"
check "an open transaction: exit 1" 1 "$RC"
check "the rows still show" $'count(*)\n1' "$OUT"
check "one line says what happened" \
  "[vostrel] The script left a transaction open: it was rolled back, and its changes since BEGIN were not kept." "$ERR"
vos sql "SELECT count(*) FROM sqlite_master WHERE name = 't'"
check "and the table is indeed not there" $'count(*)\n0' "$OUT"
vos sql "BEGIN; CREATE TABLE t(x); INSERT INTO t VALUES(1); COMMIT; SELECT count(*) FROM t"
check "a committed transaction: exit 0" 0 "$RC"
check "and no message" "" "$ERR"
