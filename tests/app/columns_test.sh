# `columns`: listing and editing the library tables' columns by the
# preferences pages' rules; the tables are rebuilt at once.

vos columns
check "columns lists" 0 "$RC"
check "with a header" "name	type	kind	collation	tag_name	separator	split	associated_column	expression" \
    "$(printf '%s\n' "$OUT" | head -1)"
check_contains "the default columns" $'artist\ttag\tTag (Text)\tNaturalNoCase\t\t" · "\t0\t\t' "$OUT"
check_contains "a predefined one" $'length_seconds\tpredefined\tPredefined (Real)' "$OUT"
vos columns --table Playlist
check_contains "the Playlist table has its own" $'playlist_index\tpredefined\tPredefined (Integer)' "$OUT"
vos columns --table Library
check "an unknown table exits 2" 2 "$RC"

# Names are stored in lower case; empty and taken names are refused.
vos columns add Genres --tag-name genre --split
check "a split tag column is added" 0 "$RC"
vos columns
check_contains "with its tag, split flag and no separator" $'genres\ttag\tTag (Text)\tNaturalNoCase\tgenre\t""\t1\t' "$OUT"
vos sql "SELECT genres FROM MediaLibrary WHERE title = 'One' ORDER BY genres"
check "and splits the multi-value tag into rows at once" $'genres\nPop\nRock' "$OUT"
vos columns add genres
check "a taken name exits 2" 2 "$RC"
check "with the page's message" 'A column with the name "genres" already exists.' "$ERR"
vos columns add ""
check "an empty name exits 2" 2 "$RC"
check "with the page's message" "The name cannot be empty." "$ERR"
vos columns edit genres --no-split --separator ' / '
check "edit joins the tag again" 0 "$RC"
vos sql "SELECT genres FROM MediaLibrary WHERE title = 'One'"
check "with the new separator" $'genres\nRock / Pop' "$OUT"
vos columns edit genres --name ARTIST
check "renaming to another column's name exits 2" 2 "$RC"
check "with the page's message" 'A column with the name "artist" already exists.' "$ERR"
vos columns edit genres --name Kinds
vos columns
check_contains "a rename is stored in lower case" $'kinds\ttag' "$OUT"
vos columns --format json
check_contains "json lists the column" '"name": "kinds",' "$OUT"

# What applies to a type.
vos columns add e --type tfexpression --expression '$upper(%artist%)'
vos sql "SELECT e FROM MediaLibrary WHERE title = 'One'"
check "an expression column" $'e\nALPHA' "$OUT"
for bad in "--type|colour" "--collation|Fancy" "--expression|%x%" "--associated-column|kinds"; do
  vos columns add bad "${bad%%|*}" "${bad#*|}"
  check "columns add ${bad%%|*} ${bad#*|} exits 2" 2 "$RC"
done
vos columns add nope --type predefined
check "a predefined name must be one of the table's" 2 "$RC"
check_contains "which are listed" "length_seconds" "$ERR"
vos columns add playlist_name --type predefined
check "the playlist names belong to the Playlist table" 2 "$RC"
vos columns --table Playlist add playlist_name --type predefined
check "which already has it" 'A column with the name "playlist_name" already exists.' "$ERR"

# Remove and defaults.
vos columns remove kinds
check "remove" 0 "$RC"
vos sql "SELECT kinds FROM MediaLibrary"
check "the column is gone from the table" 1 "$RC"
vos columns remove kinds
check "removing a missing column exits 2" 2 "$RC"
vos columns remove metadb_handle
check "the built-in column stays" 2 "$RC"
vos columns remove artist
vos columns defaults
check "defaults" 0 "$RC"
vos columns
check_contains "bring back the missing default columns" $'artist\ttag' "$OUT"
check_contains "and keep the user's" $'e\ttfexpression' "$OUT"
