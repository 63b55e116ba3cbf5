# playing(), selected() and playing_handle() on the command line: NULL
# without a playing track, the track --playing names otherwise; and the
# "now playing" examples over the test library.

ONE="/music/Alpha/First/01 One.flac"

vos sql "SELECT playing('artist') AS a, selected('artist') AS s, playing_handle() AS h"
check "a command has no playing track" $'a\ts\th\n<null>\t<null>\t<null>' "$OUT"

vos --playing "$ONE" sql "SELECT playing('artist') AS a, playing('album') AS b, playing('filesize') AS n, selected('artist') AS s, typeof(playing_handle()) AS h"
check "--playing PATH names the run's track" $'a\tb\tn\ts\th\nAlpha\tFirst\t1024\t<null>\tinteger' "$OUT"
check "and exits 0" 0 "$RC"

vos --playing "file://$ONE" sql "SELECT title FROM MediaLibrary WHERE album = playing('album') ORDER BY title"
check "a file:// URI names it too, and queries can follow it" $'title\nOne\nTwo' "$OUT"

vos --playing "/music/Alpha/First/../First/01 One.flac" sql "SELECT playing('title') AS t"
check "the path is taken as the file it names" $'t\nOne' "$OUT"

vos --playing "/music/nothing.flac" sql "SELECT 1"
check "a path that is no track of the library is bad input" 2 "$RC"
check_contains "saying so" "--playing: the library has no track at /music/nothing.flac" "$ERR"

vos --playing "" sql "SELECT 1"
check "an empty --playing is bad usage" 2 "$RC"

vos --playing "$ONE" sql "SELECT playing('artsit')"
check "a field that is no column fails" 1 "$RC"
check_contains "naming it" "no such MediaLibrary column: artsit" "$ERR"

vos node examples --now-playing
check "node examples --now-playing" 0 "$RC"
vos node examples --now-playing
vos sql "SELECT count(*) AS n FROM vos_TreeItem WHERE tri_label = '<Now playing>'"
check "made once, however often asked" $'n\n1' "$OUT"

vos tree --refresh
check_contains "nothing plays: the examples show nothing" $'<Now playing>\n  More by this artist\n  Same album\n  Same genre, other artists\n  Same year' "$OUT"

vos --playing "$ONE" tree --refresh
check_contains "with a playing track they follow it" $'<Now playing>\n  More by this artist\n    First\n      One\n      Two\n  Same album\n    One\n    Two\n  Same genre, other artists\n  Same year\n    Alpha\n      First' "$OUT"

vos --playing "$ONE" click "<Now playing>/Same album"
check "a click sends the playing track's album" 0 "$RC"
vos playlists
check_contains "to Vostrel playlist" $'Vostrel playlist (active)\n  file:///music/Alpha/First/01 One.flac\n  file:///music/Alpha/First/02 Two.flac' "$OUT"

vos --playing "$ONE"
check "--playing without a command (the desktop program) is bad usage" 2 "$RC"
check_contains "saying why" "--playing applies to a command" "$ERR"
