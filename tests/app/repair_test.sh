# What an interrupted run or a careless statement leaves behind repairs
# itself on the next start, and whatever cannot be repaired is said once.

examples_top='<Examples>'
DB="$PROFILE/configuration/vostrel.db"

# A first run killed right after it created the database file leaves it empty.
mkdir -p "$PROFILE/configuration"
: >"$DB"
vos tree
check "an empty database file is set up as a new one" 0 "$RC"
check_contains "and the tree is shown" "$examples_top" "$OUT"
check "with nothing to report" "" "$ERR"

vos node add-folder / Mine
# The program refuses to drop its own tables; another program may not.
python3 -c 'import sqlite3, sys; c = sqlite3.connect(sys.argv[1]); c.execute("DROP TABLE sql_ObjectVersion"); c.commit()' "$DB"
vos tree
check "a dropped version table comes back" 0 "$RC"
check_contains "and the tree keeps its nodes" "Mine" "$OUT"
vos sql "SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='vos_TreeItem'"
check "with the versions of the tables it finds" 3 "$(echo "$OUT" | tail -1)"

vos sql "DELETE FROM vos_TreePath"
vos tree
check "an emptied ancestor table is rebuilt" 0 "$RC"
check_contains "and the tree is shown again" "Mine" "$OUT"
check_contains "the console says so" "[vostrel] vos_TreePath did not match the parent links of vos_TreeItem (0 rows instead of 27) and was rebuilt from them." "$ERR"
vos tree
check "once" "" "$ERR"

# The stored settings of panel 1 point at the folder Mine (row 12) instead of
# the root row: the tree nobody shows comes back, and the console says so.
sed -i 's/\("settings": "[0-9a-f]\{16\}\)[0-9a-f]\{8\}/\10c000000/' "$PROFILE/layout.json"
vos tree
check "a root id that names a folder's row is replaced" 0 "$RC"
check_contains "by the tree that no panel shows" "Mine" "$OUT"
check "and the console says what happened" "[vostrel] The panel's root id 12 does not name a stored tree (it is a folder's row). The panel now shows the stored tree with root id 1, which no other panel shows." "$ERR"
vos sql "SELECT count(*) FROM vos_TreeItem WHERE tri_parent_id IS NULL"
check "no example tree was added" 1 "$(echo "$OUT" | tail -1)"

# Killed writers leave temporary files beside the profile's files.
: >"$PROFILE/.playlists.json.tmp-999999999-0"
: >"$PROFILE/.layout.json.tmp-$$-0"  # this shell is alive: its file stays
vos tree
[ -e "$PROFILE/.playlists.json.tmp-999999999-0" ]
check "a dead writer's temporary file is removed" 1 $?
[ -e "$PROFILE/.layout.json.tmp-$$-0" ]
check "a running writer's temporary file stays" 0 $?

# A database cut short is named once, with what to do, and left alone.
size=$(stat -c %s "$DB")
truncate -s $((size / 2)) "$DB"
sum_before=$(sha256sum <"$DB")
vos tree
check "a database cut short fails" 1 "$RC"
check "it is reported once, by name, with what to do" \
  "[vostrel] The database file \"$DB\" cannot be used: database disk image is malformed. It is left as it is: move it away to start afresh with a new database."$'\n'"Unable to populate tree." "$ERR"
vos sql "SELECT 1"
check "every command refuses it" 1 "$RC"
check "the file is left byte for byte" "$sum_before" "$(sha256sum <"$DB")"
mv "$DB" "$DB.damaged"
vos tree
check "moved away, a new database is made" 0 "$RC"
check_contains "with a new example tree" "$examples_top" "$OUT"

# A file that is not a database at all: the same single report.
mkdir -p "$WORK/other/configuration"
head -c 5000 /dev/urandom >"$WORK/other/configuration/vostrel.db"
"$VOSTREL" --profile "$WORK/other" --library "$LIB" sql "SELECT 1" >/dev/null 2>"$WORK/e"
check "a file that is not a database fails" 1 $?
check "and is reported once, by name" \
  "[vostrel] The database file \"$WORK/other/configuration/vostrel.db\" cannot be used: file is not a database. It is left as it is: move it away to start afresh with a new database." \
  "$(cat "$WORK/e")"
