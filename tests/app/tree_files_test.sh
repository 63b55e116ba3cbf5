# node export and node import: a node with everything below it written to a
# tree file and read back below a folder of another profile, byte for byte
# the same when exported again; a bad file exits 2 naming the file and the
# place in it, with the stored tree left as it was.

cd "$WORK" || exit 1

vos node add-folder / Mine --color-text '#FF0000' --no-use-parent-attributes
vos node add-query Mine Artists --query 'SELECT artist FROM MediaLibrary' --click send-target --click-target Mix
vos node export Mine mine.json
check "export" 0 "$RC"
check "export report" 'Wrote "Mine" (2 nodes) to mine.json' "$OUT"
check_contains "format name" '"format": "vostrel-tree"' "$(cat mine.json)"
check_contains "query text" '"sql_query": "SELECT artist FROM MediaLibrary"' "$(cat mine.json)"

# Another profile, below one of its folders, found by id.
other=$WORK/other
"$VOSTREL" --profile "$other" --library "$LIB" node add-folder / Shared >/dev/null 2>&1
shared=$("$VOSTREL" --profile "$other" --library "$LIB" tree --ids | sed -n 's/^Shared  #//p')
"$VOSTREL" --profile "$other" --library "$LIB" node import "$WORK/mine.json" --id "$shared" >out 2>err
check "import by id" 0 "$?"
check "import report" "Imported \"Mine\" (2 nodes) below --id $shared" "$(cat out)"
"$VOSTREL" --profile "$other" --library "$LIB" node export Shared/Mine again.json >/dev/null 2>&1
check "round trip" "" "$(cmp mine.json again.json 2>&1)"

vos node import mine.json
check "import at the top" 0 "$RC"
vos tree
check_contains "two of them" $'Mine\n  Artists\nMine\n  Artists' "$OUT"

# Bad input: exit 2, the file and the JSON path named, nothing stored.
before=$("$VOSTREL" --profile "$PROFILE" --library "$LIB" tree --format json)
sed 's/"node_limit": 50000/"node_limit": "many"/' mine.json >bad.json
vos node import bad.json Mine
check "wrong type" 2 "$RC"
check "wrong type message" \
  'Cannot import "bad.json": $.node.children[0].node_limit: expected a whole number from 0 to 4294967295, found a string' \
  "$ERR"
sed 's/"version": 1/"version": 7/' mine.json >new.json
vos node import new.json
check "newer version" 2 "$RC"
check_contains "newer version message" '$.version: the file has version 7' "$ERR"
printf '{"format": "vostrel-tree", "version": 1, "node": {' >cut.json
vos node import cut.json
check "not json" 2 "$RC"
check_contains "not json message" 'Cannot import "cut.json": not valid JSON: parse error at line 1' "$ERR"
vos node import missing.json
check "missing file" 2 "$RC"
check_contains "missing file message" 'missing.json' "$ERR"
vos node import mine.json Mine/Artists
check "below a query node" 2 "$RC"
vos node export / top.json
check "the top is not exported" 2 "$RC"
check "no file written" "" "$(ls top.json 2>/dev/null)"
check "tree unchanged" "$before" "$("$VOSTREL" --profile "$PROFILE" --library "$LIB" tree --format json)"
