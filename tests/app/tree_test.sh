# The panel commands on a new profile: the example tree, node editing,
# clicks and the playlists they fill.

examples=$'<Examples>\n  Library\n    Album\n    Genre\n  Maintenance\n    Rebuild MediaLibrary table\n    Rebuild Playlist table\n  Statistics\n    Incomplete albums\n    Tracks per playlist'

vos click "Not/There"
vos click "Not/There"
vos sql "SELECT count(*) FROM vos_TreeItem WHERE tri_parent_id IS NULL"
check "a failed click still keeps the new panel's tree: one root only" 1 "$(echo "$OUT" | tail -1)"

vos tree
check "a new panel shows the example tree" "$examples" "$OUT"
check "tree exits 0" 0 "$RC"
vos sql "SELECT count(*) FROM vos_TreeItem; "
check "root, four folders, six queries" 11 "$(echo "$OUT" | tail -1)"
vos sql "SELECT count(*) FROM vos_QueryNodeDetail"
check "3 + 6 level options" 9 "$(echo "$OUT" | tail -1)"
vos tree
check "the layout keeps the root: loading again makes no second example tree" "$examples" "$OUT"
vos tree --panel 2
check "a second panel gets its own example tree" "$examples" "$OUT"
vos sql "SELECT count(*) FROM vos_TreeItem WHERE tri_parent_id IS NULL"
check "two roots" 2 "$(echo "$OUT" | tail -1)"

vos node add-folder / Mine
check "add-folder" 0 "$RC"
vos node add-folder / "   "
check "a blank folder label is refused" 2 "$RC"
vos node add-query Mine "By genre" --query "SELECT genre, artist FROM MediaLibrary ORDER BY genre, artist;" \
    --click 9 --click-target "vostrel PLAYLIST" --middle 11 --omit-null --item-counts 2,0
check "add-query" 0 "$RC"
vos node show "Mine/By genre"
check_contains "the stored query lost its semicolon" '"sql_query": "SELECT genre, artist FROM MediaLibrary ORDER BY genre, artist"' "$OUT"
check_contains "level options follow the columns" '"name": "artist"' "$OUT"
check_contains "item counts stored" '"show_item_count": 2' "$OUT"

vos node add-query Mine Broken --query "SELEC 1"
check "an invalid query is refused with exit 1" 1 "$RC"
check_contains "with the database error" 'SQLite Error: (1) near "SELEC"' "$ERR"
vos node add-query Mine Nothing
check "a query node without SQL is refused" 2 "$RC"
vos node add-query Mine Wrapped --query "SELECT 1 AS one" --click 300
check "an action code beyond 255 is refused" 2 "$RC"
vos node add-folder "Mine/By genre" Sub
check "a folder cannot go below a query" 2 "$RC"
check "and the message says why" "Mine/By genre is not a folder: new nodes go below a folder or the top (/)" "$ERR"

vos click "Mine/By genre/Rock/Alpha"
check "click on a result node" 0 "$RC"
vos playlists
check_contains "the target playlist is created, filled and active" $'vostrel PLAYLIST (active)\n  file:///music/Alpha/First/02 Two.flac' "$OUT"

vos click --middle "Mine/By genre/Jazz/Beta"
check "send to console prints the rows" $'genre\tartist\nJazz\tBeta' "$OUT"

vos tree --format json
check_contains "json keys in the documented order" '{"id":1,"label":"#ROOT#","type":"root","level":0,"children":[' "$OUT"

vos tree --refresh
check "refresh all succeeds" 0 "$RC"
check_contains "result nodes show leaf counts" $'  By genre\n    [1] Jazz\n      Beta' "$OUT"

vos node edit "Mine/By genre" --label "Genres" --keep-duplicates
check "edit" 0 "$RC"
vos node show "Mine/Genres"
check_contains "only what was given changed" '"remove_duplicates": 0' "$OUT"
check_contains "the query stays" '"click_action": 9' "$OUT"

vos click "No/Such"
check "no node at a path" 2 "$RC"
check "the message names the path" "No node at No/Such" "$ERR"

vos node delete Mine
check "delete" 0 "$RC"
vos tree
check "the folder and everything below is gone" "$examples" "$OUT"

rm "$PROFILE/configuration/vostrel.db"
vos tree
check "a panel whose stored tree is gone gets a new example tree" "$examples" "$OUT"
vos node add-folder / After
check "and nodes can be stored again" 0 "$RC"
