# Query nodes from the command line: their statements only read, a failed
# send keeps its playlist, clicks keep the query's order, and node paths
# with escaped labels.

vos node add-query / Evil --query "DELETE FROM vos_TreeItem WHERE tri_label='Album' RETURNING tri_label"
check "a writing query is refused with exit 1" 1 "$RC"
check "with the statement" $'Invalid query statement:\n\nDELETE FROM vos_TreeItem WHERE tri_label=\'Album\' RETURNING tri_label' "$ERR"
vos node show Evil
check "the refused node is not stored" 2 "$RC"

vos node add-query / Picks --query "SELECT artist, count(*) n FROM MediaLibrary GROUP BY artist" \
    --click 9 --click-target "My picks"
check "a reading query is stored" 0 "$RC"
vos node edit Picks --query "UPDATE vos_TreeItem SET tri_label='x' RETURNING tri_label"
check "an edit to a writing query is refused" 1 "$RC"
vos node show Picks
check_contains "and the stored query stays" '"sql_query": "SELECT artist, count(*) n FROM MediaLibrary GROUP BY artist"' "$OUT"

picks=$'My picks (active)\n  file:///music/Alpha/First/01 One.flac\n  file:///music/Alpha/First/02 Two.flac\n  file:///music/Beta/Second/01 Três.flac\n  file:///music/Gamma/Third/01 Gone.mp3'
vos click Picks
vos playlists
check_contains "a click on the query node sends every track" "$picks" "$OUT"
vos click "Picks/Alpha/2"
check "a click whose tracks cannot be collected fails" 1 "$RC"
check_contains "and says why" "misuse of aggregate function count()" "$ERR"
vos playlists
check_contains "the send kept the target playlist as it was" "$picks" "$OUT"

vos node add-query / Ordered --query "SELECT artist, title t FROM MediaLibrary WHERE artist IS NOT NULL ORDER BY 1 DESC, t" \
    --click 9 --click-target "By artist"
vos click Ordered
check "a click on a query ordered by position works" 0 "$RC"
vos playlists
check_contains "the tracks come in the query's order" $'By artist (active)\n  file:///music/Beta/Second/01 Três.flac\n  file:///music/Alpha/First/01 One.flac\n  file:///music/Alpha/First/02 Two.flac' "$OUT"

vos sql "SELECT count(*) FROM vos_TreePath"
paths_before=$OUT
vos sql "UPDATE vos_TreeItem SET tri_sql_query='DELETE FROM vos_TreePath' WHERE tri_label='Picks'"
vos tree --refresh
check "a stored writing query fails the refresh" 1 "$RC"
check_contains "with the statement" $'Invalid query statement:\n\nDELETE FROM vos_TreePath' "$ERR"
vos sql "SELECT count(*) FROM vos_TreePath"
check "and the path table keeps its rows" "$paths_before" "$OUT"
vos node delete Picks

vos node add-folder / 'A/B\C'
vos node add-query 'A\/B\\C' 'x\' --query "SELECT artist FROM MediaLibrary WHERE artist IS NOT NULL ORDER BY 1" \
    --click 9 --click-target Escaped
check "a query below a folder named by an escaped path" 0 "$RC"
vos node show 'A\/B\\C/x\\'
check_contains "\\/ and \\\\ stand for / and \\" '"label": "x\\"' "$OUT"
vos node show 'A/B\\C'
check "an unescaped / separates labels" 2 "$RC"
vos click 'A\/B\\C/x\\/Beta'
check "a result node below escaped labels is clicked" 0 "$RC"
vos playlists
check_contains "and its tracks sent" $'Escaped (active)\n  file:///music/Beta/Second/01 Três.flac' "$OUT"

# Alpha has one album with two titles: one subitem, two leaves.
counts_sql="SELECT artist, album, title FROM MediaLibrary WHERE artist = 'Alpha'"
vos node add-query / Subitems --query "$counts_sql" --item-counts 1,1
vos node add-query / Leaves --query "$counts_sql" --item-counts 2,2
vos tree --refresh
check_contains "(n) counts subitems" $'Subitems\n  (1) Alpha\n    (2) First\n      One\n      Two' "$OUT"
check_contains "[n] counts leaves" $'Leaves\n  [2] Alpha\n    [2] First\n      One\n      Two' "$OUT"
