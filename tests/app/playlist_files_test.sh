# playlists import and export: playlist files in and out of the player's
# playlists, relative paths from the working folder, bad input refused with
# the playlists left as they were.

cd "$WORK" || exit 1
parent=$(dirname "$WORK")
printf '#EXTM3U\r\n#EXTINF:215,Alpha - One\r\n/music/Alpha/First/01 One.flac\r\n\r\n../elsewhere/gone.mp3\r\nhttp://radio.example/live\r\n' >road.m3u8

vos playlists import road.m3u8
check "import" 0 "$RC"
check "import report" 'Added playlist "road" with 3 items from road.m3u8 (2 not in the library)' "$OUT"
vos playlists
check_contains "imported items" $'road\n  file:///music/Alpha/First/01 One.flac\n  file://'"$parent"$'/elsewhere/gone.mp3\n  http://radio.example/live' "$OUT"

vos playlists import "$WORK/road.m3u8" --name "Road Trip"
check "import --name" 0 "$RC"
vos playlists import road.m3u8
check "a name taken gets a number" 'Added playlist "road (2)" with 3 items from road.m3u8 (2 not in the library)' "$OUT"
mkdir -p "$WORK/lists/sub"
vos playlists export "Road Trip" lists/mix.xspf
check "export" 0 "$RC"
check "export report" 'Wrote 3 items of "Road Trip" to lists/mix.xspf' "$OUT"
check_contains "xspf location" '<location>file:///music/Alpha/First/01%20One.flac</location>' "$(cat lists/mix.xspf)"
check_contains "xspf url" '<location>http://radio.example/live</location>' "$(cat lists/mix.xspf)"
vos playlists import lists/mix.xspf --name Again
vos playlists --format json
again=$(printf '%s' "$OUT" | python3 -c 'import json,sys; p=json.load(sys.stdin)["playlists"]; print([i["path"] for i in p[-1]["items"]] == [i["path"] for i in p[-2]["items"]])')
check "xspf round trip" True "$again"

# Paths in the playlist file's folder are written relative to it.
printf 'sub/here.flac\n/music/Alpha/First/02 Two.flac\n' >lists/local.m3u
vos playlists import lists/local.m3u
vos playlists export local lists/copy.pls
check "pls relative and absolute" $'[playlist]\nFile1=sub/here.flac\nLength1=-1\nFile2=/music/Alpha/First/02 Two.flac\nTitle2=Alpha - Two\nLength2=180\nNumberOfEntries=2\nVersion=2' "$(cat lists/copy.pls)"

# Bad input: exit 2, a message naming the file and line, nothing changed.
before=$(cat "$PROFILE/playlists.json")
printf '[playlist]\nFile1=a.mp3\nLength1=long\n' >bad.pls
vos playlists import bad.pls
check "malformed file" 2 "$RC"
check "malformed message" 'Playlist file "bad.pls", line 3: "Length1" needs a number of seconds' "$ERR"
printf '#EXTM3U\nfine.mp3\nb\xffd.mp3\n' >bad.m3u8
vos playlists import bad.m3u8
check "m3u8 not utf-8" 2 "$RC"
check_contains "m3u8 line" 'bad.m3u8", line 3' "$ERR"
echo 'a.mp3' >notes.txt
vos playlists import notes.txt
check "unknown extension" 2 "$RC"
check_contains "unknown extension message" '"notes.txt" is not named as a playlist file' "$ERR"
vos playlists import missing.m3u
check "missing file" 2 "$RC"
check_contains "missing file message" 'missing.m3u' "$ERR"
vos playlists export Nope out.m3u
check "unknown playlist" 2 "$RC"
check "unknown playlist message" 'No playlist is named "Nope" (see vostrel playlists)' "$ERR"
vos playlists export road out.wpl
check "export extension" 2 "$RC"
[ ! -e out.wpl ]; check "no file for a bad extension" 0 $?
vos playlists export road no/such/folder/out.m3u
check "export into a missing folder" 1 "$RC"
check_contains "export failure names the file" 'no/such/folder/out.m3u' "$ERR"
check "playlists unchanged" "$before" "$(cat "$PROFILE/playlists.json")"
