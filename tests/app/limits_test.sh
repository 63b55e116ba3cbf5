# Oversized, endless, deeply nested and non-regular input files fail at once
# with exit 2, name the file and leave the profile as it was.

# A reader that never stops must fail this test, not hang it.
printf '#!/bin/sh\nexec timeout 20 "%s" "$@"\n' "$VOSTREL" > "$WORK/bounded"
chmod +x "$WORK/bounded"
VOSTREL=$WORK/bounded

# ms_since START_NS: milliseconds since START_NS (from date +%s%N).
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

# profile_state: every file of the profile with its checksum.
profile_state() { (cd "$PROFILE" && find . -type f -print0 | sort -z | xargs -0r sha256sum); }

head -c 50000000 /dev/zero | tr '\0' '[' > "$WORK/brackets.json"
printf '{"x": ' > "$WORK/deep.json"
head -c 3000000 /dev/zero | tr '\0' '[' >> "$WORK/deep.json"
mkdir -p "$WORK/music"
mkfifo "$WORK/fifo.json"

vos config console_row_limit 12   # a profile with a settings file
vos node add-query / Kept --query "SELECT artist FROM MediaLibrary" --click 9 --click-target "Kept"
vos click "Kept/Alpha"            # a layout and a playlist
check "the profile is set up" 0 "$RC"
before=$(profile_state)

# Libraries that are not library files.
for library in "$WORK/brackets.json" /dev/zero "$WORK/fifo.json"; do
  start=$(date +%s%N)
  "$VOSTREL" --profile "$PROFILE" --library "$library" sql "SELECT 1" >/dev/null 2>"$WORK/e"
  rc=$?
  elapsed=$(ms_since "$start")
  check "library $library exits 2" 2 "$rc"
  check_contains "the message names $library" "\"$library\"" "$(cat "$WORK/e")"
  [ "$elapsed" -lt 1000 ]; check "library $library fails fast (${elapsed} ms)" 0 $?
done
check "nothing is written for a refused library" "$before" "$(profile_state)"
# A folder is a music folder: scanned, not read as a library file.
"$VOSTREL" --profile "$PROFILE" --library "$WORK/music" sql "SELECT count(*) FROM MediaLibrary" 2>"$WORK/e" >"$WORK/o"
check "a folder is scanned as a music folder" "0" "$(tail -n 1 "$WORK/o")"

# Profile files: the brackets are over the size limit of settings and
# layout, and deep nesting is caught within it.
for name in settings.json layout.json playlists.json; do
  for bad in brackets.json deep.json; do
    cp "$PROFILE/$name" "$WORK/saved"
    cp "$WORK/$bad" "$PROFILE/$name"
    before_bad=$(profile_state)
    start=$(date +%s%N)
    vos tree
    elapsed=$(ms_since "$start")
    check "$bad as $name exits 2" 2 "$RC"
    check_contains "the message names $name" "$PROFILE/$name\"" "$ERR"
    [ "$elapsed" -lt 1000 ]; check "$bad as $name fails fast (${elapsed} ms)" 0 $?
    check "nothing is written for a bad $name" "$before_bad" "$(profile_state)"
    cp "$WORK/saved" "$PROFILE/$name"
  done
done
cp "$PROFILE/settings.json" "$WORK/saved"
cp "$WORK/brackets.json" "$PROFILE/settings.json"
vos config
check_contains "settings over the size limit" "larger than 4 MiB" "$ERR"
cp "$WORK/saved" "$PROFILE/settings.json"

vos playlists
check "the profile still works" 0 "$RC"
check_contains "its playlist is kept" "Kept" "$OUT"

# Tag names: one that cannot be a column is refused with its place; more
# names than a table can take leave the rest out, and the program starts.
printf '{"tracks": [{"path": "file:///a.flac", "meta": {"ar\\u0000t": "x"}}]}' > "$WORK/nul.json"
"$VOSTREL" --profile "$WORK/p-nul" --library "$WORK/nul.json" sql "SELECT 1" >/dev/null 2>"$WORK/e"
check "a NUL in a tag name exits 2" 2 $?
check "the message names the file and the field" \
  "Library file \"$WORK/nul.json\": tracks[0].meta[\"ar\\u0000t\"] is not a usable field name: it must not hold control characters" \
  "$(cat "$WORK/e")"

{
  printf '{"tracks": [{"path": "file:///a.flac", "meta": {"artist": "Solo"'
  for i in $(seq 1000 3999); do printf ', "a%s": "x"' "$i"; done
  printf '}}]}'
} > "$WORK/many.json"
"$VOSTREL" --profile "$WORK/p-many" --library "$WORK/many.json" sql "SELECT artist FROM MediaLibrary" >"$WORK/o" 2>"$WORK/e"
check "a library of 3,000 tag names still starts" 0 $?
check "and its configured columns answer" $'artist\nSolo' "$(cat "$WORK/o")"
check_contains "the console says how many were left out" \
  "1038 tag and info names were left out of MediaLibrary: a table takes at most 2000 columns" "$(cat "$WORK/e")"
