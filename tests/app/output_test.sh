# What the commands print: scripts with trailing comments, scripts from
# files, NULL and blobs in each format, wide characters in tables, labels in
# tree listings, subsongs in playlists, title-formatting errors, the version.

# name|script|expected tsv output (\n for line ends)
while IFS='|' read -r name script expected; do
  vos sql "$script"
  check "$name: exit 0" 0 "$RC"
  check "$name: output" "$(printf '%b' "$expected")" "$OUT"
  check "$name: no message" "" "$ERR"
done <<'CASES'
a trailing comment is no statement|SELECT 1 AS a; -- trailing|a\n1
a trailing block comment and blanks|SELECT 1 AS a;  /* done */ |a\n1
stray semicolons at the end|SELECT 1 AS a;;|a\n1
an empty script does nothing|   |
a comment-only script does nothing|-- nothing here|
CASES

printf 'SELECT 40+2 AS answer; -- from a file\n' > "$WORK/answer.sql"
vos sql -f "$WORK/answer.sql"
check "sql -f reads the script from the file" $'answer\n42' "$OUT"
vos sql -f "$WORK/none.sql"
check "an unreadable script file is bad input" 2 "$RC"
check "and the message names the file" "Cannot read the script file \"$WORK/none.sql\": No such file or directory" "$ERR"
vos sql -f "$WORK"
check "a folder is no script file" 2 "$RC"
vos sql -f "$WORK/answer.sql" "SELECT 1"
check "a script and -f together are bad usage" 2 "$RC"
if command -v script >/dev/null; then
  script -qec "\"$VOSTREL\" --profile \"$PROFILE\" --library \"$LIB\" sql" /dev/null >"$WORK/tty" 2>&1 </dev/null
  check "no script on a terminal is bad usage" 2 $?
  check_contains "and says how to give one" "No SQL script given." "$(cat "$WORK/tty")"
fi

# format|expected output of a NULL, an empty text and a blob
while IFS='|' read -r format expected; do
  vos sql --format "$format" "SELECT NULL AS n, '' AS e, x'00ff' AS b"
  check "$format: NULL and blobs" "$(printf '%b' "$expected")" "$OUT"
done <<'CASES'
tsv|n\te\tb\n<null>\t\tx'00ff'
csv|n,e,b\r\n,,x'00ff'\r
json|{"columns":["n","e","b"],"rows":[[null,"","00ff"]]}
table|#  n       e  b\n-  ------  -  -------\n1  <null>     x'00ff'
CASES

vos sql --format table "SELECT '東京レインコート' AS title, 1 AS n UNION ALL SELECT 'Rain', 2"
check "table pads by display width" $'#  title             n\n-  ----------------  -\n1  東京レインコート  1\n2  Rain              2' "$OUT"

vos node add-folder / 'A/B\C'
vos node add-folder 'A\/B\\C' 'Two
lines'
vos tree
check_contains "tree text writes labels as paths do" $'A\\/B\\\\C\n  Two\\nlines' "$OUT"
vos node show 'A\/B\\C/Two\nlines'
check "a printed label pastes back into a path" 0 "$RC"
check_contains "to the same node" '"label": "Two\nlines"' "$OUT"

cat > "$WORK/subsongs.json" <<'JSON'
{"tracks": [{"path": "file:///cd/album.cue", "subsong": 0}, {"path": "file:///cd/album.cue", "subsong": 3}],
 "playlists": [{"name": "CD", "items": [{"path": "file:///cd/album.cue", "subsong": 0},
                                       {"path": "file:///cd/album.cue", "subsong": 3}]}]}
JSON
"$VOSTREL" --profile "$WORK/p3" --library "$WORK/subsongs.json" playlists >"$WORK/o" 2>&1
check "playlists shows subsongs other than 0" $'CD (active)\n  file:///cd/album.cue\n  file:///cd/album.cue #3' "$(cat "$WORK/o")"

vos sql "SELECT tf(metadb_handle, '\$if(') AS a, tf(metadb_handle, '\$if(') AS b FROM MediaLibrary LIMIT 2"
check "a bad expression gives <ERROR>" $'a\tb\n<ERROR>\t<ERROR>\n<ERROR>\t<ERROR>' "$OUT"
check "and one line with the position and reason" \
  "[vostrel] tf(): the title-formatting expression \"\$if(\" does not compile: unmatched '(' at position 4" "$ERR"

vos --version
check "--version" "vostrel 1.0.3" "$OUT"
check "--version exits 0" 0 "$RC"
