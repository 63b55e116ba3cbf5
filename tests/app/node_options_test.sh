# Node options from the command line: action names, yes/no options in both
# forms, checked numbers, colours and icons, item counts by name, ids, case
# hints, clicks without an action, node examples and refresh.

Q="SELECT artist, album FROM MediaLibrary WHERE artist IS NOT NULL ORDER BY artist, album"

# Every action name stores its code; the code itself is taken too.
code=0
for name in none add-active add-playing add-target insert-active insert-playing insert-target \
            send-active send-playing send-target execute-sql console; do
  vos node add-query / "A$code" --query "$Q" --click "$name" --middle "$code"
  check "--click $name is accepted" 0 "$RC"
  vos node show "A$code"
  check_contains "--click $name stores code $code" "\"click_action\": $code," "$OUT"
  check_contains "--middle $code stores code $code" "\"middle_click_action\": $code," "$OUT"
  code=$((code + 1))
done
for bad in 12 255 -1 send abc; do
  vos node add-query / Bad --query "$Q" --click "$bad"
  check "--click $bad exits 2" 2 "$RC"
  check_contains "--click $bad lists the names" "send-target (9)" "$ERR"
done
vos node show Bad
check "no refused node was stored" 2 "$RC"
vos node add-query --help
check_contains "the help lists the action names" "execute-sql (10), console (11)" "$OUT"

# Yes/no options set either value; =false and =0 count as the --no- form.
while IFS='|' read -r on off field; do
  vos node edit A1 "$on"
  vos node show A1
  check_contains "$on sets $field" "\"$field\": 1," "$OUT"
  vos node edit A1 "$off"
  vos node show A1
  check_contains "$off clears $field" "\"$field\": 0," "$OUT"
  vos node edit A1 "$on=1"
  vos node edit A1 "$on=false"
  vos node show A1
  check_contains "$on=false clears $field" "\"$field\": 0," "$OUT"
  vos node edit A1 "$off=0"
  vos node show A1
  check_contains "$off=0 sets $field" "\"$field\": 1," "$OUT"
done <<'LIST'
--omit-null|--no-omit-null|omit_null_nodes
--refresh-on-load|--no-refresh-on-load|refresh_on_load
--refresh-on-use|--no-refresh-on-use|refresh_on_use
--click-select|--click-no-select|click_select_items
--click-play|--click-no-play|click_start_playback
--click-activate|--click-no-activate|click_activate_playlist
--middle-select|--middle-no-select|middle_click_select_items
--middle-activate|--middle-no-activate|middle_click_activate_playlist
--remove-duplicates|--keep-duplicates|remove_duplicates
LIST
vos node edit A1 --omit-null=maybe
check "a yes/no option with another value exits 2" 2 "$RC"

# Numbers: out of range or not a number is exit 2 with the range.
for bad in abc -5 99999999999 4294967296 1e3; do
  vos node edit A1 --node-limit "$bad"
  check "--node-limit $bad exits 2" 2 "$RC"
  check_contains "--node-limit $bad names the range" "from 0 to 4294967295" "$ERR"
done
vos node edit A1 --node-limit 7
vos node show A1
check_contains "--node-limit 7 is stored" '"node_limit": 7,' "$OUT"
vos node edit A1 --node-limit none
vos node show A1
check_contains "--node-limit none stores no limit" '"node_limit": 4294967295,' "$OUT"
vos sql --limit -1 "SELECT 1"
check "sql --limit -1 exits 2" 2 "$RC"
vos sql --limit abc "SELECT 1"
check "sql --limit abc exits 2" 2 "$RC"
vos sql --limit 0 "SELECT 1"
check "sql --limit 0 is taken" 0 "$RC"

# The node limit message names the option that raises it.
vos node add-query / Limited --query "$Q" --node-limit 1
vos tree --refresh
check_contains "the limit message names --node-limit" "--node-limit N" "$ERR"
check_contains "and the dialog's field" '"Query node limit:"' "$ERR"

# Icon, colours and inheritance.
vos node edit A2 --icon 12 --no-use-parent-attributes --color-text '#ff0000' --color-background '#00ff00' \
    --color-selected-text '#0000ff' --color-selected-background '#010203' \
    --color-inactive-selected-text '#a0b0c0' --color-inactive-selected-background '#FFFFFF'
check "icon and colours are taken" 0 "$RC"
vos node show A2
for expected in '"icon": 12,' '"parent_node_attributes": 0,' '"color_text": 255,' '"color_back": 65280,' \
                '"color_text_selected": 16711680,' '"color_back_selected": 197121,' \
                '"color_text_selected_inactive": 12628128,' '"color_back_selected_inactive": 16777215,'; do
  check_contains "node show: $expected" "$expected" "$OUT"
done
vos node edit A2 --use-parent-attributes
vos node show A2
check_contains "--use-parent-attributes switches inheritance back on" '"parent_node_attributes": 1,' "$OUT"
for bad in "--icon|65536" "--icon|x" "--color-text|red" "--color-background|#12345"; do
  vos node edit A2 "${bad%%|*}" "${bad#*|}"
  check "${bad%%|*} ${bad#*|} exits 2" 2 "$RC"
done
vos node add-folder / Painted --icon 5 --no-use-parent-attributes --color-text '#123456'
vos node show Painted
check_contains "a folder takes an icon" '"icon": 5,' "$OUT"
check_contains "and a colour" '"color_text": 5649426,' "$OUT"

# Item counts by name or code, in level order.
vos node edit A3 --item-counts subitems,leaves
vos tree --refresh
check_contains "item counts by name" $'A3\n  (1) Alpha\n    [0] First' "$OUT"
vos node edit A3 --item-counts 0,none
vos tree --refresh
check_contains "and cleared again" $'A3\n  Alpha\n    First' "$OUT"
vos node edit A3 --item-counts many
check "an unknown item count exits 2" 2 "$RC"
check_contains "naming the choices" "none (0), subitems (1) or leaves (2)" "$ERR"

# Two folders of one name: the second is reached by its id.
vos node add-folder / Mine
vos node add-folder / Mine
vos tree --ids
first=$(printf '%s\n' "$OUT" | grep -m1 '^Mine  #' | sed 's/.*#//')
second=$(printf '%s\n' "$OUT" | grep '^Mine  #' | tail -1 | sed 's/.*#//')
[ -n "$first" ] && [ "$first" != "$second" ]; check "tree --ids shows both folders' ids" 0 $?
vos node add-query --id "$second" Inner --query "$Q"
check "add-query takes its parent by id" 0 "$RC"
vos tree --ids
check_contains "the node went below the second folder" "Mine  #$second"$'\n  Inner  #' "$OUT"
vos node edit --id "$second" --label Yours
vos tree
check_contains "edit by id reaches the second folder" $'Yours\n  Inner' "$OUT"
check "and leaves the first as it was" 1 "$(printf '%s\n' "$OUT" | grep -c '^Mine$')"
vos node show --id 99999
check "an unknown id exits 2" 2 "$RC"
check_contains "and says so" "No node with id 99999" "$ERR"
vos node show Mine extra
check "a stray argument exits 2" 2 "$RC"
vos tree --format json
check_contains "json has the ids too" "\"id\":$second,\"label\":\"Yours\"" "$OUT"

# A path in the wrong letter case gets a hint.
vos node show yours/inner
check "a path in the wrong case exits 2" 2 "$RC"
check_contains "with a hint naming the node" "did you mean Yours/Inner?" "$ERR"
vos node show nothing
check "no hint where nothing matches" "No node at nothing" "$ERR"

# A click without an action says so and still succeeds.
for target in "/" "Mine" "A0" "A0/Alpha"; do
  vos click "$target"
  check "click $target exits 0" 0 "$RC"
  check "click $target says there is no action" "$target has no click action" "$ERR"
done
vos click --middle A0
check "a middle click without an action says so" "A0 has no middle-click action" "$ERR"
vos click --id "$first"
check "by id, the label is named" '"Mine" has no click action' "$ERR"

# A query that is accepted but whose rewritten statements do not prepare:
# the node is kept, with a warning naming the statement.
vos node add-query / Counted --query "SELECT artist, count(*) AS n FROM MediaLibrary GROUP BY artist"
check "the query is accepted" 0 "$RC"
check_contains "with a warning for the level 2 tracks" "tracks of a level 2 node does not prepare" "$ERR"
check_contains "naming SQLite's message" "misuse of aggregate function count()" "$ERR"
vos node show Counted
check "and the node is kept" 0 "$RC"
vos node add-query / Clean --query "$Q"
check "a query whose statements prepare gets no warning" "" "$ERR"
vos node add-query / Aliased --query "SELECT artist AS aa, album FROM MediaLibrary WHERE aa <> '' ORDER BY aa"
check_contains "an alias in WHERE is named" "no such column: aa" "$ERR"

# node with no subcommand lists them; examples and refresh.
vos node
check "node alone exits 2" 2 "$RC"
check_contains "and lists the subcommands" "add-folder, add-query, edit, delete, show, refresh, export, import or examples" "$ERR"
vos node delete "<Examples>/Library"
vos node examples
check "node examples" 0 "$RC"
vos tree
check_contains "completing what was deleted" $'<Examples>\n  Library\n    Album\n    Genre\n  Maintenance' "$OUT"
vos node examples
vos tree
check "a second run adds nothing" 1 "$(printf '%s\n' "$OUT" | grep -c '^  Library$')"
vos node refresh Clean
check "node refresh" 0 "$RC"
vos node refresh Clean/Alpha
check "a result node is not refreshed on its own" 2 "$RC"
check "and says so" "A query result is refreshed with its query node." "$ERR"
vos sql "UPDATE vos_TreeItem SET tri_sql_query='SELECT nosuch FROM MediaLibrary' WHERE tri_label='Clean'"
vos node refresh Clean
check "node refresh runs the stored query" 1 "$RC"
check_contains "and reports its error" "no such column: nosuch" "$ERR"
vos node refresh Mine
check "refreshing a folder refreshes the query nodes below it" 0 "$RC"

# The top and wrong argument counts are refused in words a user reads.
vos node delete /
check "deleting the top exits 2" 2 "$RC"
check_contains "and says so" "The top (/) cannot be deleted; name a node below it" "$ERR"
vos node show --id 1 Extra
check "a path after --id exits 2" 2 "$RC"
check_contains "and says what is wrong" "node show: expected no path after --id N" "$ERR"
