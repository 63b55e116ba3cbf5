# Bad input is reported clearly and changes nothing.

printf '{"tracks": [\n  {"path": 3}\n]}' > "$WORK/shape.json"
"$VOSTREL" --profile "$PROFILE" --library "$WORK/shape.json" sql "SELECT 1" >/dev/null 2>"$WORK/e"
check "a wrongly shaped library exits 2" 2 $?
check_contains "the message names the file" "shape.json" "$(cat "$WORK/e")"

printf '{"tracks": [\n  {"path": "a"},,\n]}' > "$WORK/bad.json"
"$VOSTREL" --profile "$PROFILE" --library "$WORK/bad.json" sql "SELECT 1" >/dev/null 2>"$WORK/e"
check "a malformed library exits 2" 2 $?
check_contains "the message names line and column" "at line 2, column 17" "$(cat "$WORK/e")"
[ ! -e "$PROFILE/playlists.json" ]; check "nothing is written for a bad library" 0 $?

vos config console_row_limit 12
check "config set" 0 "$RC"
vos config console_row_limit
check "config get" 12 "$OUT"
vos config console_row_limit lots
check "bad value exits 2" 2 "$RC"
check_contains "bad value names the key" "console_row_limit" "$ERR"
vos config console_row_limit
check "a bad value changes nothing" 12 "$OUT"
vos config no_such_key
check "unknown key exits 2" 2 "$RC"
vos --set show_sql_execution_time=1 config show_sql_execution_time
check "--set applies for the run" 1 "$OUT"
vos config show_sql_execution_time
check "--set is not saved" 0 "$OUT"

mkdir -p "$WORK/p2/configuration"
head -c 5000 /dev/urandom > "$WORK/p2/configuration/vostrel.db"
sum_before=$(sha256sum < "$WORK/p2/configuration/vostrel.db")
"$VOSTREL" --profile "$WORK/p2" --library "$LIB" sql "SELECT count(*) FROM sqlite_master" >/dev/null 2>"$WORK/e"
rc=$?
check "a file that is not a database fails" 1 $rc
check_contains "the database layer says why" "file is not a database" "$(cat "$WORK/e")"
check "the file is left byte for byte" "$sum_before" "$(sha256sum < "$WORK/p2/configuration/vostrel.db")"

if [ "$(id -u)" -ne 0 ]; then
  mkdir -p "$WORK/ro" && chmod 500 "$WORK/ro"
  "$VOSTREL" --profile "$WORK/ro/p" --library "$LIB" config >/dev/null 2>"$WORK/e"
  check "an unwritable profile exits 2" 2 $?
else
  touch "$WORK/notafolder"
  "$VOSTREL" --profile "$WORK/notafolder" --library "$LIB" config >/dev/null 2>"$WORK/e"
  check "a profile that is a file exits 2" 2 $?
  check_contains "the message names the profile" "notafolder" "$(cat "$WORK/e")"
fi
