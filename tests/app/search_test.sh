# tree --filter and click --filter: the panel's search for one command.

vos tree --refresh
check_contains "without a filter the Album node shows every album artist" $'      Alpha\n' "$OUT"
check_contains "and Beta" $'      Beta\n' "$OUT"

vos tree --refresh --filter "tres"
check "a filtered tree exits 0" 0 "$RC"
check_contains "diacritics do not count: tres finds Três" $'      Beta\n' "$OUT"
check "and nothing else is left below Album" "" "$(echo "$OUT" | grep -x '      Alpha')"

vos tree --refresh --filter '"first one"'
check "a phrase must stand as written" "" "$(echo "$OUT" | grep -x '      Alpha')"
vos tree --refresh --filter 'ONE alpha'
check_contains "words in any order, case ignored" $'      Alpha\n' "$OUT"

vos tree --refresh --filter "   "
check_contains "a text of spaces filters nothing" $'      Alpha\n' "$OUT"

vos tree --refresh
check_contains "the filter was for that command only" $'      Alpha\n' "$OUT"

vos click --filter two "<Examples>/Library/Album"
check "a filtered click exits 0" 0 "$RC"
vos playlists
check "the click sent only the matching track" $'Vostrel playlist (active)\n  file:///music/Alpha/First/02 Two.flac' \
    "$(echo "$OUT" | sed -n '/^Vostrel playlist/,$p')"

vos click --filter "no such words" "<Examples>/Library/Album"
vos playlists
check "nothing matching empties the sent playlist" "Vostrel playlist (active)" \
    "$(echo "$OUT" | sed -n '/^Vostrel playlist/,$p')"

vos sql "SELECT count(*) FROM MediaLibrary"
check "the console's table is whole" 4 "$(echo "$OUT" | tail -1)"
