// VTabColumnStore: the process-wide column lists of MediaLibrary and
// Playlist and their table mdb_VTableColumn.
//
// Each list starts with the built-in hidden column metadb_handle, followed
// by the stored columns in byte order of their names; that is the declared
// column order of the virtual table. A type with nothing stored gets its
// default columns and stores them: a fixed set of common tags, technical
// fields and predefined values, plus every other field name found on the
// tracks the host has at that moment.
//
//   VTabColumns& list = VTabColumnStore::instance().columns(TableType::kMediaLibrary, db, false);
//
// Load and save failures are written to the host console in the framed form
// and never thrown: the lists keep what they have.
#ifndef VOSTREL_LIBRARY_TABLES_COLUMN_STORE_H_
#define VOSTREL_LIBRARY_TABLES_COLUMN_STORE_H_

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "library_tables/column_type.h"
#include "library_tables/vtab_column.h"

namespace db {
class SQLiteDatabase;
}

namespace library_tables {

inline constexpr std::string_view kColumnTable = "mdb_VTableColumn";
inline constexpr int kColumnTableVersion = 1;
inline constexpr std::string_view kHandleColumnName = "metadb_handle";

// The predefined names of `kind`, in the order they become default
// candidates ("length" for kInfoText, "playlist_index" and "playlist_item"
// for kPlaylistInteger, none for kinds without names).
std::vector<std::string_view> predefinedColumnNames(ColumnType kind);

// Creates or migrates mdb_VTableColumn. Runs inside the caller's
// transaction; raises SQLiteException.
void ensureColumnTable(db::SQLiteDatabase& db);

class VTabColumnStore {
 public:
  static VTabColumnStore& instance();
  VTabColumnStore(const VTabColumnStore&) = delete;
  VTabColumnStore& operator=(const VTabColumnStore&) = delete;

  // The process-wide list of `type`. An empty list is filled (loaded, given
  // the defaults when nothing is stored, saved); a filled one is loaded again
  // when `reload` is set. The reference stays valid for the process, but its
  // elements are replaced by every fill, reload and replaceColumns.
  VTabColumns& columns(TableType type, db::SQLiteDatabase& db, bool reload);

  // Appends the default columns of `type`: the fixed set that every table
  // offers, and the field names of the host's library (MediaLibrary) or of
  // all playlist items (Playlist).
  void defaultColumns(TableType type, const host::Host& host, VTabColumns& out) const;

  // Trims the defaults in `columns` from index `first` on to what a table
  // of `db` can declare beside the `taken` columns it has already. The names
  // every table offers stay, other names follow in list order, and the
  // console says in one line how many were left out.
  void fitDefaults(TableType type, VTabColumns& columns, std::size_t first, std::size_t taken,
                   db::SQLiteDatabase& db) const;

  // Deep-copies `columns` into the process-wide list of `type`, then saves.
  void replaceColumns(TableType type, const VTabColumns& columns, db::SQLiteDatabase& db);

  // Replaces the stored rows of `type` by the columns after the built-in one,
  // in one transaction. Errors are reported, not thrown.
  void saveColumns(TableType type, const VTabColumns& columns, db::SQLiteDatabase& db);

  // Inserts the columns from index `first` on, without deleting and without
  // a transaction of its own. Raises SQLiteException.
  void insertColumns(TableType type, const VTabColumns& columns, db::SQLiteDatabase& db, std::size_t first);

  // Replaces `columns` by the built-in column and the stored columns of
  // `type`; resolves associated column indexes. Errors are reported, and the
  // list keeps what was loaded before the failure.
  void loadColumns(TableType type, VTabColumns& columns, db::SQLiteDatabase& db);

  // Columns at the head of every list that are never stored.
  std::size_t builtInCount() const { return kBuiltInCount; }

  // Empties both lists, so the next use fills them again. For tests and for
  // a host that switches profiles.
  void reset();

 private:
  static constexpr std::size_t kBuiltInCount = 1;
  VTabColumnStore() = default;
  void appendBuiltIn(const host::Host& host, VTabColumns& columns) const;

  std::array<VTabColumns, kTableTypeCount> lists_;
};

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_COLUMN_STORE_H_
