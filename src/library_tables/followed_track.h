// The SQL functions that read the track the player follows: the playing
// track and the focused item of the active playlist.
//
//   SELECT album, title FROM MediaLibrary WHERE artist = playing('artist')
//   SELECT title FROM MediaLibrary WHERE genre = selected('genre')
//   SELECT playing_handle()          -> a HandleTable index, as metadb_handle
//
// `field` names a column of MediaLibrary (any case); its value is the one
// the track's first row in MediaLibrary has (a split multi-value tag gives
// its first value). Nothing playing or focused gives NULL; a name that is
// no column is an SQL error naming it.
//
// Each call tells the open-cursor callbacks (followedTrackRead), so that a
// query node learns that its result follows these tracks. The functions are
// deterministic for SQLite, which evaluates a call with constant arguments
// once per statement: one statement sees one track even when the player
// moves on while it runs.
#ifndef VOSTREL_LIBRARY_TABLES_FOLLOWED_TRACK_H_
#define VOSTREL_LIBRARY_TABLES_FOLLOWED_TRACK_H_

#include <string_view>

namespace db {
class SQLiteDatabase;
}

namespace library_tables {

inline constexpr std::string_view kNoSuchColumn = "no such MediaLibrary column: ";

// Registers playing(1), selected(1) and playing_handle(0) on `db`, with `db`
// as their user data. Raises SQLiteException.
void registerFollowedTrackFunctions(db::SQLiteDatabase& db);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_FOLLOWED_TRACK_H_
