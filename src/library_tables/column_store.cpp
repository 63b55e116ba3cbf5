#include "library_tables/column_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "db/column_description.h"
#include "db/database.h"
#include "db/versioning.h"
#include "host/host.h"
#include "host/text.h"

namespace library_tables {
namespace {

using db::SQLiteColumnDescription;

constexpr std::string_view kSelectColumns =
    "SELECT vtc_column_name,vtc_column_type,vtc_default_collation,vtc_tf_expression,"
    "vtc_multivalue_separator,vtc_split_multivalue_tag,vtc_tag_name,vtc_associated_column "
    "FROM mdb_VTableColumn WHERE vtc_table_type=";
constexpr std::string_view kInsertColumn =
    "INSERT INTO mdb_VTableColumn(vtc_table_type,vtc_column_name,vtc_column_type,vtc_default_collation,"
    "vtc_tf_expression,vtc_multivalue_separator,vtc_split_multivalue_tag,vtc_tag_name,vtc_associated_column)"
    "VALUES (";

// Result columns of kSelectColumns.
enum LoadColumn : std::size_t {
  kLoadName,
  kLoadType,
  kLoadCollation,
  kLoadExpression,
  kLoadSeparator,
  kLoadSplit,
  kLoadTagName,
  kLoadAssociated,
  kLoadColumnCount,
};

struct Predefined {
  ColumnType kind;
  std::string_view name;
};

// Names every table offers, in the order they become candidates. The tags
// and technical fields that music files commonly carry are among them, so
// that a table made while the library is still empty (the desktop's first
// start makes its columns before the first scan of the music folders has
// ended) has the same columns as one made after it; the example tree and
// the user's first queries rely on them.
constexpr Predefined kPredefined[] = {
    {ColumnType::kTag, "album"},
    {ColumnType::kTag, "album artist"},
    {ColumnType::kTag, "artist"},
    {ColumnType::kTag, "comment"},
    {ColumnType::kTag, "composer"},
    {ColumnType::kTag, "date"},
    {ColumnType::kTag, "discnumber"},
    {ColumnType::kTag, "genre"},
    {ColumnType::kTag, "performer"},
    {ColumnType::kTag, "title"},
    {ColumnType::kTag, "totaldiscs"},
    {ColumnType::kTag, "totaltracks"},
    {ColumnType::kTag, "tracknumber"},
    {ColumnType::kTechInfo, "bitrate"},
    {ColumnType::kTechInfo, "bitspersample"},
    {ColumnType::kTechInfo, "channels"},
    {ColumnType::kTechInfo, "codec"},
    {ColumnType::kTechInfo, "codec_profile"},
    {ColumnType::kTechInfo, "samplerate"},
    {ColumnType::kInfoText, "length"},
    {ColumnType::kInfoReal, "length_seconds"},
    {ColumnType::kInfoReal, "replaygain_track_gain"},
    {ColumnType::kInfoReal, "replaygain_album_gain"},
    {ColumnType::kInfoReal, "replaygain_track_peak"},
    {ColumnType::kInfoReal, "replaygain_album_peak"},
    {ColumnType::kFileText, "directoryname"},
    {ColumnType::kFileText, "filename"},
    {ColumnType::kFileText, "filename_ext"},
    {ColumnType::kFileText, "filesize_natural"},
    {ColumnType::kFileText, "last_modified"},
    {ColumnType::kFileText, "path"},
    {ColumnType::kFileInteger, "filesize"},
    {ColumnType::kFileInteger, "subsong"},
    {ColumnType::kTFExpression, "%artist%"},
    {ColumnType::kTFExpression, "%album artist%"},
    {ColumnType::kTFExpression, "%title%"},
    {ColumnType::kTFExpression, "%track artist%"},
};

constexpr Predefined kPlaylistPredefined[] = {
    {ColumnType::kPlaylistText, "playlist_name"},
    {ColumnType::kPlaylistInteger, "playlist_index"},
    {ColumnType::kPlaylistInteger, "playlist_item"},
};

}  // namespace

std::vector<std::string_view> predefinedColumnNames(ColumnType kind) {
  std::vector<std::string_view> names;
  for (const Predefined& p : kPredefined) {
    if (p.kind == kind) names.push_back(p.name);
  }
  for (const Predefined& p : kPlaylistPredefined) {
    if (p.kind == kind) names.push_back(p.name);
  }
  return names;
}

namespace {

bool isPredefined(TableType type, std::string_view name) {
  for (const Predefined& p : kPredefined) {
    if (p.name == name) return true;
  }
  if (type != TableType::kPlaylist) return false;
  for (const Predefined& p : kPlaylistPredefined) {
    if (p.name == name) return true;
  }
  return false;
}

std::string typeNumber(TableType type) { return std::to_string(static_cast<int32_t>(type)); }

// Candidate names as found (exact, first kind wins), ordered byte-wise.
class Candidates {
 public:
  void add(std::string_view name, ColumnType kind) { by_name_.try_emplace(std::string(name), kind); }

  // Fields repeat on almost every track: names already seen (as interned
  // spellings) are skipped without building a string.
  void addFields(host::FieldList fields, ColumnType kind) {
    for (const host::InfoField& field : fields) {
      if (field.name_id >= seen_.size()) seen_.resize(static_cast<std::size_t>(field.name_id) + 1);
      if (seen_[field.name_id]) continue;
      seen_[field.name_id] = true;
      add(field.name(), kind);
    }
  }

  const std::map<std::string, ColumnType>& byName() const { return by_name_; }

 private:
  std::map<std::string, ColumnType> by_name_;
  std::vector<bool> seen_;  // by name id
};

void addTrackFields(const host::TrackList& tracks, Candidates& candidates) {
  for (const host::TrackHandle& track : tracks) {
    if (!track || !track->hasInfo()) continue;
    candidates.addFields(track->meta(), ColumnType::kTag);
    candidates.addFields(track->tech(), ColumnType::kTechInfo);
  }
}

}  // namespace

void ensureColumnTable(db::SQLiteDatabase& db) {
  db::ColumnDescriptions columns;
  columns.emplace(SQLiteColumnDescription::kNotNull, "vtc_table_type", "INTEGER");
  columns.emplace(SQLiteColumnDescription::kNotNull, "vtc_column_name", "TEXT");
  columns.emplace(SQLiteColumnDescription::kNotNull, "vtc_column_type", "INTEGER");
  columns.emplace(0u, "vtc_default_collation", "TEXT");
  columns.emplace(0u, "vtc_tf_expression", "TEXT");
  columns.emplace(0u, "vtc_multivalue_separator", "TEXT");
  columns.emplace(0u, "vtc_split_multivalue_tag", "INTEGER");
  columns.emplace(0u, "vtc_tag_name", "TEXT");
  columns.emplace(0u, "vtc_associated_column", "TEXT");
  db::EnsureTable(db, kColumnTableVersion, kColumnTable, columns, {"PRIMARY KEY(vtc_table_type,vtc_column_name)"});
}

VTabColumnStore& VTabColumnStore::instance() {
  static VTabColumnStore store;
  return store;
}

void VTabColumnStore::reset() {
  for (VTabColumns& list : lists_) list.clear();
}

void VTabColumnStore::appendBuiltIn(const host::Host& host, VTabColumns& columns) const {
  columns.emplace(host, std::string(), std::string(kHandleColumnName), ColumnType::kHandle, true, std::string(),
                  std::string(kDefaultSeparator), std::string(), std::string());
}

VTabColumns& VTabColumnStore::columns(TableType type, db::SQLiteDatabase& db, bool reload) {
  VTabColumns& list = lists_[static_cast<std::size_t>(type)];
  if (list.empty()) {
    VTabColumns loaded;
    loadColumns(type, loaded, db);
    if (loaded.size() == kBuiltInCount) {
      defaultColumns(type, db.host(), loaded);
      fitDefaults(type, loaded, kBuiltInCount, 0, db);
    }
    list = std::move(loaded);
    saveColumns(type, list, db);
  } else if (reload) {
    loadColumns(type, list, db);
  }
  return list;
}

void VTabColumnStore::loadColumns(TableType type, VTabColumns& columns, db::SQLiteDatabase& db) {
  const host::Host& host = db.host();
  columns.clear();
  appendBuiltIn(host, columns);
  try {
    db::SQLiteColumns row;
    db::Prepared prepared =
        db.Prepare(std::string(kSelectColumns) + typeNumber(type) + " ORDER BY vtc_column_name", &row);
    while (db.Step(prepared.query) == db::kRow) {
      if (row.size() < kLoadColumnCount) break;
      auto& column = columns.emplace(
          host, row[kLoadCollation].textOr(kDefaultCollation), row[kLoadName].textOr(""),
          static_cast<ColumnType>(row[kLoadType].intOr(0)), false, row[kLoadExpression].textOr(""),
          row[kLoadSeparator].textOr(kDefaultSeparator), row[kLoadTagName].textOr(""),
          row[kLoadAssociated].textOr(""));
      column.setSplitMultiValueTag(row[kLoadSplit].int64Or(0) != 0);
    }
    prepared.query.finalize();
  } catch (const db::Exception& e) {
    db.LogToConsole(e.message(), true);
  }
  for (SQLiteMetaDBVTabColumn& column : columns) {
    if (column.splitMultiValueTag() && !column.associatedColumn().empty()) {
      column.setAssociatedIndex(findColumn(columns, column.associatedColumn()));
    }
  }
}

void VTabColumnStore::defaultColumns(TableType type, const host::Host& host, VTabColumns& out) const {
  Candidates candidates;
  if (type == TableType::kPlaylist) {
    for (const Predefined& p : kPlaylistPredefined) candidates.add(p.name, p.kind);
  }
  std::vector<host::TrackList> lists;
  if (type == TableType::kPlaylist) {
    for (std::size_t i = 0; i < host.playlistCount(); ++i) lists.push_back(host.playlistItems(i));
  } else {
    lists.push_back(*host.libraryTracks());
  }
  {
    const auto lock = host.lockInfo();
    for (const host::TrackList& tracks : lists) addTrackFields(tracks, candidates);
  }
  for (const Predefined& p : kPredefined) candidates.add(p.name, p.kind);

  // Names that coincide once lower-cased: the first in byte order wins.
  std::map<std::string, ColumnType> merged;
  for (const auto& [name, kind] : candidates.byName()) merged.try_emplace(host::toLower(name), kind);

  out.reserve(out.size() + merged.size());
  for (const auto& [name, kind] : merged) {
    // A tag of the built-in column's name would declare that name twice.
    if (name == kHandleColumnName) continue;
    std::string expression = kind == ColumnType::kTFExpression ? "[" + name + "]" : std::string();
    out.emplace(host, std::string(kDefaultCollation), name, kind, false, std::move(expression),
                std::string(kDefaultSeparator), std::string(), std::string());
  }
}

void VTabColumnStore::fitDefaults(TableType type, VTabColumns& columns, std::size_t first, std::size_t taken,
                                  db::SQLiteDatabase& db) const {
  const auto limit = static_cast<std::size_t>(sqlite3_limit(db.handle(), SQLITE_LIMIT_COLUMN, -1));
  const std::size_t offered = columns.size() - first;
  const std::size_t room = limit > taken + first ? limit - taken - first : 0;
  if (offered <= room) return;
  std::vector<bool> drop(columns.size(), true);
  std::fill_n(drop.begin(), first, false);
  std::size_t kept = 0;
  for (bool predefined_pass : {true, false}) {
    for (std::size_t i = first; i < columns.size() && kept < room; ++i) {
      if (drop[i] && isPredefined(type, columns[i].name()) == predefined_pass) {
        drop[i] = false;
        ++kept;
      }
    }
  }
  columns.removeMasked(drop);
  db.LogToConsole(std::to_string(offered - room) + " tag and info names were left out of " +
                      std::string(tableTypeName(type)) + ": a table takes at most " + std::to_string(limit) +
                      " columns",
                  false);
}

void VTabColumnStore::replaceColumns(TableType type, const VTabColumns& columns, db::SQLiteDatabase& db) {
  VTabColumns& list = lists_[static_cast<std::size_t>(type)];
  copyColumns(columns, list);
  saveColumns(type, list, db);
}

void VTabColumnStore::saveColumns(TableType type, const VTabColumns& columns, db::SQLiteDatabase& db) {
  try {
    db::TransactionGuard guard(db);
    guard.begin();
    db.Execute("DELETE FROM mdb_VTableColumn WHERE vtc_table_type=" + typeNumber(type));
    insertColumns(type, columns, db, kBuiltInCount);
    guard.commit();
  } catch (const db::SQLiteException& e) {
    db.LogToConsole(e.message(), true);
  }
}

void VTabColumnStore::insertColumns(TableType type, const VTabColumns& columns, db::SQLiteDatabase& db,
                                    std::size_t first) {
  const std::string type_number = typeNumber(type);
  std::string sql;
  for (std::size_t i = first; i < columns.size(); ++i) {
    const SQLiteMetaDBVTabColumn& column = columns[i];
    sql.assign(kInsertColumn);
    sql += type_number;
    sql += ',';
    sql += db::sqlLiteral(std::string_view(column.name()));
    sql += ',';
    sql += std::to_string(static_cast<int32_t>(column.kind()));
    sql += ',';
    sql += db::sqlLiteral(std::string_view(column.collation()));
    sql += ',';
    sql += db::sqlLiteral(std::string_view(column.expression()));
    sql += ',';
    sql += db::sqlLiteral(std::string_view(column.separator()));
    sql += ',';
    sql += column.splitMultiValueTag() ? '1' : '0';
    sql += ',';
    sql += db::sqlLiteral(std::string_view(column.tagName()));
    sql += ',';
    sql += db::sqlLiteral(std::string_view(column.associatedColumn()));
    sql += ')';
    db.Execute(sql);
  }
}

}  // namespace library_tables
