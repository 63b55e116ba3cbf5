// MetaDB_Module: the host's media library and all its playlists as the
// read-only virtual tables MediaLibrary and Playlist.
//
//   CREATE VIRTUAL TABLE MediaLibrary USING MetaDB_Module;
//   SELECT artist, count(*) FROM MediaLibrary GROUP BY artist;
//   SELECT tf(metadb_handle, '%title%') FROM Playlist WHERE playlist_index = 0;
//
// Module arguments (CREATE only, at most three): "medialibrary" or
// "playlist" choose the table type (otherwise the table name decides),
// "no_multivalue_split" joins multi-value tags that would be split,
// "add_defaults" stores the default columns the type does not have yet.
// Each cursor scans its own snapshot, taken when it opens.
#ifndef VOSTREL_LIBRARY_TABLES_METADB_MODULE_H_
#define VOSTREL_LIBRARY_TABLES_METADB_MODULE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "library_tables/column_type.h"
#include "library_tables/vtab_column.h"

namespace db {
class SQLiteDatabase;
}

namespace library_tables {

class SQLiteMetaDBRowSet;

inline constexpr const char* kModuleName = "MetaDB_Module";
// More columns than this make a table impossible to declare.
inline constexpr std::size_t kMaxDeclaredColumns = 32676;

// Told about every cursor opened on a library table, before it reads a row;
// a query node uses it to learn which tables its query depends on.
class OpenCursorCallback {
 public:
  virtual ~OpenCursorCallback() = default;
  virtual void cursorOpened(const SQLiteMetaDBRowSet& rows, TableType type) = 0;
  // A statement read the playing or the focused track (followed_track.h).
  virtual void followedTrackRead() {}
};

// Appends `callback` (not owned) to the process-wide list; returns its index.
std::size_t registerOpenCursorCallback(OpenCursorCallback* callback);
// Removes every entry equal to `callback`.
void unregisterOpenCursorCallback(OpenCursorCallback* callback);
// Tells every registered callback that the followed track was read.
void notifyFollowedTrackRead();

// Overloads tf() with two arguments and registers the module on `db`, with
// `db` as the module's client data. Raises SQLiteException.
void registerModule(db::SQLiteDatabase& db);

// Drops and creates MediaLibrary and Playlist again, so that they are
// declared from the current column lists. Raises SQLiteException.
void rebuildVirtualTables(db::SQLiteDatabase& db);

// The CREATE TABLE text that declares `columns` for `table_name`. Raises
// VTabException when there are more than kMaxDeclaredColumns.
std::string declarationText(const VTabColumns& columns, std::string_view table_name);

// The declaration the last CREATE VIRTUAL TABLE of `type` built (empty
// before the first).
const std::string& cachedDeclaration(TableType type);

// Forgets the cached declarations and the open-cursor callbacks.
void resetModuleState();

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_METADB_MODULE_H_
