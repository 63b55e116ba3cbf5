# `scan` on music folders made by the test-data tool: its report, what the
# other commands then see, the settings' folders, and a scan killed midway
# that leaves a cache the next scan goes on from.

MAKE_MUSIC=${VOSTREL_MAKE_MUSIC:?the test-data tool}
music=$WORK/music
"$MAKE_MUSIC" --files 40 --out "$music" >/dev/null
printf 'not music\n' > "$music/notes.txt"

# Permissions bind root too where a test sets AS=("${as_user[@]}"): the
# program then runs without the capabilities that pass them.
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --bounding-set=-dac_override,-dac_read_search --)
AS=()

# scan ARGS...: `scan` on the test profile; the time taken reads "T".
scan() {
  "${AS[@]}" "$VOSTREL" --profile "$PROFILE" "$@" scan >"$WORK/out" 2>"$WORK/err"
  RC=$?
  OUT=$(sed -E 's/ in [0-9]+\.[0-9]{2} s:/ in T s:/' "$WORK/out")
  ERR=$(cat "$WORK/err")
}
count() {
  "${AS[@]}" "$VOSTREL" --profile "$PROFILE" "$@" sql --format tsv "SELECT count(*) FROM MediaLibrary" 2>&1 | tail -n 1
}

scan --library "$music"
check "first scan" "Scanned 1 music folder in T s: 40 added, 0 changed, 0 removed, 0 unchanged, 1 unreadable" "$OUT"
check "first scan exits 0" 0 "$RC"
check "no progress line when stderr is no terminal" "" "$ERR"
scan --library "$music"
check "rescan" "Scanned 1 music folder in T s: 0 added, 0 changed, 0 removed, 40 unchanged, 1 unreadable" "$OUT"

mapfile -t files < <(find "$music" -name '*.*' ! -name notes.txt | sort)
touch -d '2001-01-01' "${files[0]}"
cp "${files[1]}" "$music/copy Ærø.${files[1]##*.}"
rm "${files[2]}"
scan --library "$music"
check "touched, added, deleted" \
  "Scanned 1 music folder in T s: 1 added, 1 changed, 1 removed, 38 unchanged, 1 unreadable" "$OUT"
check "a command sees the folder's tracks" 40 "$(count --library "$music")"
check "names that are not ASCII" 1 \
  "$("$VOSTREL" --profile "$PROFILE" --library "$music" sql --format tsv \
     "SELECT count(*) FROM MediaLibrary WHERE path LIKE '%copy Ærø%'" | tail -n 1)"

# --no-rescan takes the cache as it stands: a file added since is not seen,
# nothing is said, and the cache is left for the next scan to find it.
cp "${files[3]}" "$music/late.${files[3]##*.}"
"$VOSTREL" --profile "$PROFILE" --library "$music" --no-rescan sql --format tsv "SELECT count(*) FROM MediaLibrary" \
  >"$WORK/out" 2>"$WORK/err"
check "--no-rescan reads the cache as it stands" "count(*)
40" "$(cat "$WORK/out")"
check "--no-rescan says nothing" "" "$(cat "$WORK/err")"
scan --library "$music"
check "--no-rescan left the new file to the next scan" \
  "Scanned 1 music folder in T s: 1 added, 0 changed, 0 removed, 40 unchanged, 1 unreadable" "$OUT"
scan --library "$music" --no-rescan
check "scan refuses --no-rescan" "2 vostrel: --no-rescan cannot be given to scan, which rescans the music folders" \
  "$RC $ERR"
"$VOSTREL" --profile "$PROFILE" --no-rescan >/dev/null 2>"$WORK/err"
check "the desktop program refuses --no-rescan" "2 vostrel: --no-rescan applies to a command; the desktop program \
starts from the library cache and rescans the music folders in the background" "$? $(cat "$WORK/err")"
rm "$music/late.${files[3]##*.}"
check "commands rescan by default" 40 "$(count --library "$music")"

# Two folders at once; then the settings' folders when no --library is given.
"$MAKE_MUSIC" --files 5 --seed 2 --out "$WORK/more" >/dev/null
scan --library "$music" --library "$WORK/more"
check "two folders" "Scanned 2 music folders in T s: 5 added, 0 changed, 0 removed, 40 unchanged, 1 unreadable" "$OUT"
printf '{"music_folders": ["%s"]}\n' "$WORK/more" > "$PROFILE/settings.json"
scan
check "the settings' folders" "Scanned 1 music folder in T s: 0 added, 0 changed, 0 removed, 5 unchanged, 0 unreadable" "$OUT"
check "commands use the settings' folders" 5 "$(count)"

# A library file chosen with config replaces the settings' folders.
"$VOSTREL" --profile "$PROFILE" config library "$LIB" 2>/dev/null
check "config library FILE replaces the folders" "$(count --library "$LIB")" "$(count)"
printf '{"music_folders": ["%s"]}\n' "$WORK/more" > "$PROFILE/settings.json"

# A folder that goes away keeps its tracks.
mv "$WORK/more" "$WORK/unplugged"
scan
check_contains "an unavailable folder is reported" "unavailable: $WORK/more" "$OUT"
check_contains "and said once why" "is unavailable; its tracks stay" "$ERR"
check "its tracks stay" 5 "$(count)"
mv "$WORK/unplugged" "$WORK/more"

# Files that are not audio, whatever their name.
: > "$music/empty.mp3"
printf 'hi\n' > "$music/text.mp3"
scan --library "$music"
check "an empty and a text file named .mp3 are unreadable" \
  "Scanned 1 music folder in T s: 0 added, 0 changed, 0 removed, 40 unchanged, 3 unreadable" "$OUT"
rm "$music/empty.mp3" "$music/text.mp3"
scan --library "$music"

# A folder that cannot be read keeps its tracks and is named at every
# scan; the message says once why, and once that it can be read again.
AS=("${as_user[@]}")
closed=$(dirname "${files[5]}")
chmod 000 "$closed"
scan --library "$music"
check_contains "a folder that cannot be read is named" "; cannot be read: $closed (Permission denied)" "$OUT"
check_contains "with its tracks unchanged" " 0 removed, 40 unchanged," "$OUT"
check_contains "and said why" "The folder $closed cannot be read (Permission denied)" "$ERR"
check "its tracks stay" 40 "$(count --library "$music")"
scan --library "$music"
check_contains "named again" "; cannot be read: $closed (Permission denied)" "$OUT"
check "said once" "" "$ERR"
chmod 755 "$closed"
scan --library "$music"
check "and when it can be read again" "The folder $closed can be read again." "$ERR"
check "read again" "Scanned 1 music folder in T s: 0 added, 0 changed, 0 removed, 40 unchanged, 1 unreadable" "$OUT"

# A file that could not be opened is read once it can be.
cp "${files[6]}" "$music/late.${files[6]##*.}"
chmod 000 "$music/late.${files[6]##*.}"
scan --library "$music"
check "a file that cannot be opened is unreadable" \
  "Scanned 1 music folder in T s: 0 added, 0 changed, 0 removed, 40 unchanged, 2 unreadable" "$OUT"
chmod 644 "$music/late.${files[6]##*.}"
scan --library "$music"
check "and a track once it can be" \
  "Scanned 1 music folder in T s: 1 added, 0 changed, 0 removed, 40 unchanged, 1 unreadable" "$OUT"
rm "$music/late.${files[6]##*.}"
AS=()
scan --library "$music"

# A library file has nothing to scan.
scan --library "$LIB"
check "a library file exits 2" 2 "$RC"
check_contains "and says why" "No music folders to scan" "$ERR"

# The progress line, on a terminal.
touch -d '2002-02-02' "${files[3]}" "${files[4]}"
script -qec "\"$VOSTREL\" --profile \"$PROFILE\" --library \"$music\" scan" /dev/null >"$WORK/tty" 2>&1
check_contains "a progress line on a terminal" "Reading " "$(cat "$WORK/tty")"

# Folders that stay as they were are stated, not listed, once they are
# older than the clock's step at a scan: every kind of change is still seen.
stated=$WORK/stated
"$MAKE_MUSIC" --files 60 --seed 3 --out "$stated" >/dev/null
mapfile -t albums < <(find "$stated" -mindepth 2 -maxdepth 2 -type d | sort)
sleep 2.2
"$VOSTREL" --profile "$WORK/stated-profile" --library "$stated" scan >/dev/null 2>&1
# Within the same second as that scan.
first=$(find "${albums[0]}" -type f | sort | head -n 1)
cp "$first" "${albums[0]}/same second.${first##*.}"
check "a file added just after a scan" "count(*)
61" "$("$VOSTREL" --profile "$WORK/stated-profile" --library "$stated" sql --format tsv "SELECT count(*) FROM MediaLibrary")"
sleep 2.2
"$VOSTREL" --profile "$WORK/stated-profile" --library "$stated" scan >/dev/null 2>&1
mapfile -t in1 < <(find "${albums[1]}" -type f | sort)
mv "${in1[0]}" "${albums[1]}/renamed.${in1[0]##*.}"
mapfile -t in2 < <(find "${albums[2]}" -type f | sort)
touch -r "${in2[0]}" "$WORK/time"
dd if=/dev/zero of="${in2[0]}" bs="$(stat -c %s "${in2[0]}")" count=1 conv=notrunc status=none
touch -r "$WORK/time" "${in2[0]}"
mkdir "${albums[3]}/Disc 2"
cp "$first" "${albums[3]}/Disc 2/new.${first##*.}"
removed=$(find "${albums[4]}" -type f | wc -l)
rm -r "${albums[4]}"
mapfile -t in5 < <(find "${albums[5]}" -type f | sort)
mv "${albums[5]}" "$WORK/replaced"
mkdir "${albums[5]}"
cp -p "$WORK/replaced/${in5[0]##*/}" "${albums[5]}/"
rm -r "$WORK/replaced"
"$VOSTREL" --profile "$WORK/stated-profile" --library "$stated" scan >"$WORK/out" 2>&1
check "renamed, rewritten in place, new and removed subfolders, a folder replaced" \
  "Scanned 1 music folder in T s: 2 added, 0 changed, $((removed + ${#in5[@]})) removed, $((60 - removed - ${#in5[@]})) unchanged, 1 unreadable" \
  "$(sed -E 's/ in [0-9]+\.[0-9]{2} s:/ in T s:/' "$WORK/out")"

# Killed in the middle of a long scan: the next scan keeps what the killed
# one stored and reads the rest.
big=$WORK/big
"$MAKE_MUSIC" --files 6000 --out "$big" >/dev/null
"$VOSTREL" --profile "$WORK/killed" --library "$big" scan --threads 1 >/dev/null 2>&1 &
pid=$!
# Killed once the first files are stored.
python3 - "$WORK/killed/library.db" <<'PY'
import os, sqlite3, sys, time
end = time.time() + 20
while time.time() < end:
    try:
        if os.path.exists(sys.argv[1]):
            with sqlite3.connect(sys.argv[1], timeout=0.1) as db:
                if db.execute("SELECT count(*) FROM files").fetchone()[0] > 0:
                    break
    except sqlite3.Error:
        pass
    time.sleep(0.005)
PY
kill -KILL "$pid" 2>/dev/null
wait "$pid"
killed_rc=$?
"$VOSTREL" --profile "$WORK/killed" --library "$big" scan >"$WORK/out" 2>"$WORK/err"
check "the scan after the kill exits 0" 0 $?
read -r added unchanged < <(sed -E 's/.*: ([0-9]+) added, 0 changed, 0 removed, ([0-9]+) unchanged.*/\1 \2/' "$WORK/out")
check "every file is a track after the kill" 6000 $((added + unchanged))
if [ "$killed_rc" -eq 137 ]; then
  [ "$unchanged" -gt 0 ]; check "the killed scan's files were kept ($unchanged)" 0 $?
  [ "$added" -gt 0 ]; check "the rest was read ($added)" 0 $?
else
  echo "note: the scan ended before it could be killed (status $killed_rc)"
fi
check "the cache is sound" ok \
  "$(python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("PRAGMA integrity_check").fetchone()[0])' \
     "$WORK/killed/library.db")"
