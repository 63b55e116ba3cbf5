# The playlists command, seeded from the library file once.

vos playlists
check "text listing" $'Default (active)\n  file:///music/Alpha/First/01 One.flac\nJazz\n  file:///music/Beta/Second/01 Três.flac\n  file:///elsewhere/x.mp3 #1' "$OUT"
[ -f "$PROFILE/playlists.json" ]; check "seeded playlists are stored" 0 $?

vos playlists --format json
check_contains "json listing" '"active":0,"playing":-1,"playlists":[{"name":"Default","items":[{"path":"file:///music/Alpha/First/01 One.flac","subsong":0,"selected":false}]}' "$OUT"
