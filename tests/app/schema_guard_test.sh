# The user's SQL cannot break the program's own tables: the schema table
# cannot be written, and DROP and ALTER of vos_*, mdb_* and sql_* objects
# are refused wherever the SQL comes from; their rows stay the user's.

vos node add-folder / Mine
vos node add-query Mine Genres --query "SELECT genre FROM MediaLibrary"

# Once enough to make every later command refuse the file.
vos sql "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql='CREATE TABLE vos_TreeItem(garbage' WHERE name='vos_TreeItem'"
check "writing the schema table fails" 1 "$RC"
check_contains "saying it may not be" "table sqlite_master may not be modified" "$ERR"
vos tree
check "the database opens as before" 0 "$RC"
check_contains "with the user's tree" $'Mine\n  Genres' "$OUT"

refused="is refused: objects whose names begin with vos_, mdb_ or sql_ are Vostrel's own, and the tree and the library tables need them as they are (their rows can be deleted)."
for statement in "DROP TABLE vos_TreeItem" "drop table if exists VOS_TREEPATH" "ALTER TABLE vos_TreeItem RENAME TO old" \
    "ALTER TABLE mdb_VTableColumn ADD extra TEXT" "DROP TABLE sql_ObjectVersion" "DROP VIEW vos_ViewTree" \
    "DROP TRIGGER vos_TreeItem_tr_ai" "DROP INDEX vos_TreeItem_in_tri_parent_id"; do
  vos sql "$statement"
  check "sql: $statement fails" 1 "$RC"
  check_contains "saying why" "$refused" "$ERR"
done
check "the whole message" "Execution error:
SQLite Error: (23) DROP INDEX vos_TreeItem_in_tri_parent_id $refused

Error while preparing the first statement of:
DROP INDEX vos_TreeItem_in_tri_parent_id" "$ERR"
vos tree
check_contains "the user's tree is still there (a dropped vos_TreeItem made it the examples)" $'Mine\n  Genres' "$OUT"

# A batch runs on the panel's connection: the same refusal, and a click
# that exits 1.
vos node add-query Mine Wipe --query "SELECT 1" --batch "DROP TABLE vos_TreePath" \
    --click execute-sql
vos click Mine/Wipe
check "a batch that drops one of them fails the click" 1 "$RC"
check_contains "saying why" "DROP TABLE vos_TreePath $refused" "$ERR"
vos sql "SELECT count(*) > 0 FROM vos_TreePath"
check "and the table keeps its rows" 1 "$(echo "$OUT" | tail -1)"

vos sql "DELETE FROM vos_QueryNodeDetail WHERE 0; CREATE TABLE mine(a); ALTER TABLE mine ADD b; DROP TABLE mine"
check "deleting rows and the user's own tables are allowed" 0 "$RC"

# The example maintenance nodes drop and make the library tables again.
for table in MediaLibrary Playlist; do
  vos click "<Examples>/Maintenance/Rebuild $table table"
  check "Rebuild $table table works" 0 "$RC"
  check "quietly" "" "$ERR"
done
vos sql "SELECT count(*) FROM MediaLibrary"
check "and the library reads as before" 4 "$(echo "$OUT" | tail -1)"
