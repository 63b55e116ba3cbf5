// The two kinds of library table and the kinds of column they can have.
//
// Both numbers are stored in mdb_VTableColumn; the display text of a column
// kind is also the declared SQL type of the column, so that SQLite gives it
// the usual affinity ("Tag (Text)" -> TEXT, "Handle (Integer)" -> INTEGER).
#ifndef VOSTREL_LIBRARY_TABLES_COLUMN_TYPE_H_
#define VOSTREL_LIBRARY_TABLES_COLUMN_TYPE_H_

#include <cstdint>
#include <string_view>

namespace library_tables {

enum class TableType : int32_t {
  kMediaLibrary = 0,
  kPlaylist = 1,
};
inline constexpr int kTableTypeCount = 2;

// The table name that the start-up rebuild gives each type.
std::string_view tableTypeName(TableType type);

enum class ColumnType : int32_t {
  kTag = 0,              // a tag of the track's info
  kTechInfo = 1,         // a technical field of the track's info
  kTFExpression = 2,     // the column's title-formatting expression
  kHandle = 3,           // the row's track as a HandleTable index
  kInfoText = 4,         // "length"
  kInfoInteger = 5,      // always NULL
  kInfoReal = 6,         // "length_seconds", replay gain
  kFileText = 7,         // "path", "filename", "last_modified" ...
  kFileInteger = 8,      // "filesize", "subsong"
  kFileReal = 9,         // always NULL
  kPlaylistText = 10,    // "playlist_name"
  kPlaylistInteger = 11, // "playlist_index", "playlist_item"
};
inline constexpr int32_t kColumnTypeCount = 12;

// "Tag (Text)", "TechInfo (Text)", ... "Predefined (Integer)". A value
// outside 0..11 displays as "Tag (Text)".
std::string_view columnTypeText(ColumnType type);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_COLUMN_TYPE_H_
