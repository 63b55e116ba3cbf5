# Panels by number, `panel show` and `panel set`, `config library`, and no
# empty profile left behind by a malformed library file.

vos tree --panel 2
check "a new profile starts with panel 1" 2 "$RC"
check_contains "naming the number that adds one" "--panel 1 adds the next one" "$ERR"
vos tree --panel 1000
check "--panel 1000 on a new profile exits 2" 2 "$RC"
[ ! -e "$PROFILE/layout.json" ]; check "and writes no layout" 0 $?
vos tree
vos tree --panel 3
check "a panel beyond the next one exits 2" 2 "$RC"
check_contains "naming the number that adds one" "the layout has 1 panel(s); --panel 2 adds the next one" "$ERR"
vos tree --panel 2
check "the next number adds a panel" 0 "$RC"
vos tree --panel 3
check "and then the one after" 0 "$RC"
check "three panels in the layout" 3 "$(grep -c '"settings"' "$PROFILE/layout.json")"

vos panel show
check_contains "panel show: the defaults" $'edge=sunken\nuse_ui_attributes=1\nicon=194' "$OUT"
vos panel set --edge grey --no-use-ui-attributes --icon 7 --font-family 'DejaVu Sans' --font-size 11 \
    --color-line '#102030' --color-text '#ff0000' --color-background '#00ff00' --color-selected-text '#0000ff' \
    --color-selected-background '#010203' --color-inactive-selected-text '#aabbcc' \
    --color-inactive-selected-background '#ddeeff'
check "panel set" 0 "$RC"
vos panel show
check "every field is kept" "edge=grey
use_ui_attributes=0
icon=7
font_family=DejaVu Sans
font_size=11
color_line=#102030
color_text=#ff0000
color_background=#00ff00
color_selected_text=#0000ff
color_selected_background=#010203
color_inactive_selected_text=#aabbcc
color_inactive_selected_background=#ddeeff
follow_playing=0" "$(printf '%s\n' "$OUT" | grep -v root_node_id)"
vos panel set --follow-playing
vos panel show
check_contains "panel set --follow-playing" "follow_playing=1" "$OUT"
check_contains "and the rest stays" "edge=grey" "$OUT"
vos panel set --no-follow-playing
vos panel show
check_contains "panel set --no-follow-playing" "follow_playing=0" "$OUT"
vos panel show --panel 2
check_contains "other panels keep theirs" "edge=sunken" "$OUT"
vos panel set --edge none --use-ui-attributes
vos panel show
check_contains "edge none and UI attributes on again" $'edge=none\nuse_ui_attributes=1' "$OUT"
for bad in "--edge|round" "--font-size|0" "--font-size|1001" "--icon|-1" "--color-line|#12" \
           "--font-family|an extremely long font family name past the limit"; do
  vos panel set "${bad%%|*}" "${bad#*|}"
  check "panel set ${bad%%|*} '${bad#*|}' exits 2" 2 "$RC"
done
vos panel show
check_contains "and a refused value changes nothing" $'edge=none\nuse_ui_attributes=1\nicon=7' "$OUT"

# config library: the profile's library, so --library is only an override.
"$VOSTREL" --profile "$PROFILE" config library "$LIB"
check "config library PATH" 0 $?
"$VOSTREL" --profile "$PROFILE" config library >"$WORK/o"
check "config library prints it" "$LIB" "$(cat "$WORK/o")"
"$VOSTREL" --profile "$PROFILE" sql "SELECT count(*) AS n FROM MediaLibrary" >"$WORK/o"
check "commands use it without --library" $'n\n4' "$(cat "$WORK/o")"
printf '{"tracks": [{"path": "file:///other/a.flac"}]}' >"$WORK/other.json"
"$VOSTREL" --profile "$PROFILE" config library "$WORK/other.json" 2>"$WORK/e"
check_contains "a library that matches no playlist item is named once" "none of the profile's playlist items" "$(cat "$WORK/e")"
"$VOSTREL" --profile "$PROFILE" --library "$LIB" sql "SELECT count(*) AS n FROM MediaLibrary" >"$WORK/o" 2>"$WORK/e"
check "--library overrides it" $'n\n4' "$(cat "$WORK/o")"
check "and says nothing" "" "$(cat "$WORK/e")"
printf '{"tracks": [' >"$WORK/bad.json"
"$VOSTREL" --profile "$PROFILE" config library "$WORK/bad.json" 2>/dev/null
check "a malformed library is refused" 2 $?
"$VOSTREL" --profile "$PROFILE" config library >"$WORK/o"
check "and not remembered" "$WORK/other.json" "$(cat "$WORK/o")"
"$VOSTREL" --profile "$PROFILE" config library "" 
"$VOSTREL" --profile "$PROFILE" config library >"$WORK/o"
check "an empty path forgets it" "" "$(cat "$WORK/o")"

# A malformed library file leaves no profile folders behind.
for command in "tree" "sql|SELECT 1" "playlists" "node|add-folder|/|X"; do
  IFS='|' read -r -a args <<<"$command"
  "$VOSTREL" --profile "$WORK/new/profile" --library "$WORK/bad.json" "${args[@]}" >/dev/null 2>&1
  check "$command with a malformed library exits 2" 2 $?
  [ ! -e "$WORK/new" ]; check "$command leaves no profile folder" 0 $?
done
"$VOSTREL" --profile "$PROFILE" --library "$WORK/bad.json" tree >/dev/null 2>&1
[ -e "$PROFILE/layout.json" ]; check "an existing profile is left as it is" 0 $?
