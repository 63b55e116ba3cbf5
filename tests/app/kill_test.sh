# Commands killed at random moments, on new and on used profiles, leave
# profiles that work: the JSON files are whole, the tree loads, the database
# passes its integrity check, and the next start removes the temporary files
# that the killed writes left. Bounded in time for loaded machines.

budget_seconds=${VOSTREL_KILL_TEST_SECONDS:-20}
max_rounds=${VOSTREL_KILL_TEST_ROUNDS:-60}
command -v python3 >/dev/null || { echo "kill_test: python3 is needed"; exit 1; }
mkdir -p "$WORK/left"

# The command of round $1, as an array in CMD.
pick_command() {
  case $(($1 % 6)) in
    0) CMD=(tree) ;;
    1) CMD=(tree --refresh) ;;
    2) CMD=(click "<Examples>/Library/Genre") ;;
    3) CMD=(node add-folder / "Folder $1") ;;
    4) CMD=(sql "CREATE TABLE IF NOT EXISTS k(x); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<3000) INSERT INTO k SELECT randomblob(300) FROM c") ;;
    5) CMD=(sql "DELETE FROM k WHERE rowid % 2 = 0; UPDATE vos_TreeItem SET tri_expanded = 1 - ifnull(tri_expanded, 0)") ;;
  esac
}

# Keeps the JSON files that a killed command left in profile $1 under $2, so
# that they can all be checked at the end with one interpreter start.
keep_json() {
  local name
  mkdir -p "$2"
  for name in playlists.json layout.json settings.json; do
    if [ -e "$1/$name" ]; then cp "$1/$name" "$2/$name"; fi
  done
}

# What is wrong with profile $1 after a command ran on it to the end: a
# temporary file of an atomic write or a database journal left behind, or a
# failed integrity check. Prints nothing when all is well. Other files (a
# lock file, say) are none of its business.
check_after_open() {
  local name
  for name in "$1"/.*.tmp-*-*; do
    if [ -e "$name" ]; then echo "stray temporary file $name"; fi
  done
  if [ -e "$1/configuration/vostrel.db-journal" ]; then echo "a journal is left"; fi
  "$VOSTREL" --profile "$1" --library "$LIB" sql "PRAGMA integrity_check" 2>&1 | tail -n +2 | grep -vx ok
}

round=0
profiles=0
late_kills=0
used="$WORK/used"
while [ "$round" -lt "$max_rounds" ] && [ "$SECONDS" -lt "$budget_seconds" ]; do
  round=$((round + 1))
  # Every third round starts on a new profile; the others go on with one.
  if [ $((round % 3)) -eq 1 ]; then
    profiles=$((profiles + 1))
    target="$WORK/new$profiles"
  else
    target=$used
  fi
  pick_command "$round"
  # Mostly within the first 30 ms, where a new profile is being set up;
  # one round in four later, in the middle of the command's own work.
  if [ $((RANDOM % 4)) -eq 0 ]; then
    delay=$(printf '0.%03d' $((30 + RANDOM % 120)))
    late_kills=$((late_kills + 1))
  else
    delay=$(printf '0.%03d' $((RANDOM % 31)))
  fi
  "$VOSTREL" --profile "$target" --library "$LIB" "${CMD[@]}" >/dev/null 2>&1 &
  pid=$!
  sleep "$delay"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  what="round $round (${CMD[*]}, killed after ${delay}s)"

  [ -d "$target" ] || continue  # killed before the profile folder was made
  keep_json "$target" "$WORK/left/$round"
  "$VOSTREL" --profile "$target" --library "$LIB" tree >"$WORK/out" 2>"$WORK/err"
  rc=$?
  check "$what: the tree loads" 0 "$rc"
  check_contains "$what: the tree is printed" "<Examples>" "$(cat "$WORK/out")"
  if [ "$rc" -ne 0 ]; then cat "$WORK/err"; fi
  check "$what: the profile is whole after the next start" "" "$(check_after_open "$target")"
done

json_errors=$(python3 - "$WORK/left" <<'PY'
import json, pathlib, sys
for path in sorted(pathlib.Path(sys.argv[1]).rglob("*.json")):
    try:
        json.loads(path.read_text(encoding="utf-8"))
    except Exception as error:
        print(f"round {path.parent.name}: {path.name} is not valid JSON: {error}")
PY
)
check "every JSON file that a killed command left is whole" "" "$json_errors"
echo "kill_test: $round rounds, $profiles new profiles, $late_kills late kills in ${SECONDS}s"
[ "$round" -ge 5 ]
check "at least five rounds ran" 0 $?
