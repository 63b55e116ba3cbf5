// SQLiteMetaDBRowSet: the rows one cursor of MediaLibrary or Playlist scans.
//
// A row set is a snapshot taken when the cursor opens: the tracks the host
// has at that moment (and, for Playlist, each item's playlist position and
// the playlist names), plus a plan per column saying what the column reads,
// resolved once so that the row loop compares integers only. Tracks are
// shared, immutable records and the snapshot holds a reference to each, so
// views into a track's strings stay valid while the cursor lives.
//
// Rows are produced like an odometer: a split multi-value tag turns one
// track into several rows that share a rowid. next() counts the split
// columns read on the current row down, first column fastest, before moving
// to the next track. Columns that were not read add no rows.
#ifndef VOSTREL_LIBRARY_TABLES_ROW_SET_H_
#define VOSTREL_LIBRARY_TABLES_ROW_SET_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/library_filter.h"
#include "host/host.h"
#include "library_tables/column_type.h"
#include "library_tables/vtab_column.h"

struct sqlite3_context;
struct sqlite3_vtab_cursor;

namespace library_tables {

// What a column reads, from its kind and (for predefined kinds) its name.
enum class ValueSource : uint8_t {
  kNull,
  kTag,
  kTechInfo,
  kTFExpression,
  kHandle,
  kLength,
  kLengthSeconds,
  kTrackGain,
  kAlbumGain,
  kTrackPeak,
  kAlbumPeak,
  kPath,
  kDirectoryName,
  kFileName,
  kFileNameExt,
  kFileSizeNatural,
  kLastModified,
  kFileSize,
  kSubsong,
  kPlaylistName,
  kPlaylistIndex,
  kPlaylistItem,
};

struct ColumnPlan {
  ValueSource source = ValueSource::kNull;
  bool split = false;              // split into rows (column flag, table allows it)
  bool joined_tag = false;         // a tag not split: the value most scans read
  bool has_associated = false;     // follows another column's value index
  int32_t associated = -1;         // that column's index, -1 when unresolved
  host::FieldId field = host::kNoField;
  // Where the field was on the last track that had it. Tracks from one
  // source list their fields in the same order, so looking there first
  // touches one entry instead of walking the list.
  uint32_t field_hint = 0;
  bool read = false;  // the statement has read the column (a tag)
  std::string separator;           // joined mode
  host::TitleFormatScriptPtr script;
};

// Resolves what `column` reads in a table of `type`. `column_count` bounds
// the associated index.
ColumnPlan planColumn(const SQLiteMetaDBVTabColumn& column, TableType type, bool no_multivalue_split,
                      std::size_t column_count);

// Counter values of a column state besides a value index.
inline constexpr int32_t kNotComputed = -1;
inline constexpr int32_t kNoValue = -2;

// A column's values on the current row: the values of a field of the row's
// track, or, when `owned`, the one value in `text` (joined tags, a title;
// SQLite must copy owned text, since it changes from row to row). Tag
// columns that are not split keep a state only while a split column
// associated with them pairs with it.
struct ColumnValueState {
  int32_t counter = kNotComputed;
  bool owned = false;
  bool touched = false;  // listed in the row set's touched columns
  host::ValueList values{nullptr, 0};
  std::string text;

  std::size_t valueCount() const { return owned ? 1 : values.size(); }
};

// The position of a Playlist row: playlist index (0-based) and item index
// within it (0-based).
struct PlaylistItemRow {
  int32_t playlist = -1;
  uint32_t item = 0;
};

class SQLiteMetaDBRowSet {
 public:
  // Snapshots of the host's library (the part `filter` lets through, when
  // given) or of all playlist items, for the columns in `columns` (planned
  // with planColumn).
  static std::unique_ptr<SQLiteMetaDBRowSet> library(const host::Host& host, const VTabColumns& columns,
                                                     bool no_multivalue_split, db::LibraryFilter* filter = nullptr);
  static std::unique_ptr<SQLiteMetaDBRowSet> playlists(const host::Host& host, const VTabColumns& columns,
                                                       bool no_multivalue_split);
  // MediaLibrary rows over `tracks` alone (split tags split), for reading
  // one track's values as a scan would.
  static std::unique_ptr<SQLiteMetaDBRowSet> single(const host::Host& host, host::TrackListPtr tracks,
                                                    const VTabColumns& columns);
  SQLiteMetaDBRowSet(const SQLiteMetaDBRowSet&) = delete;
  SQLiteMetaDBRowSet& operator=(const SQLiteMetaDBRowSet&) = delete;

  TableType type() const { return type_; }
  std::size_t rowCount() const { return tracks_->size(); }
  std::size_t columnCount() const { return plans_.size(); }
  int64_t position() const { return position_; }
  // The current row's rowid: its position, in the whole library when the
  // snapshot is filtered.
  int64_t rowid() const {
    return positions_ != nullptr && !eof() ? (*positions_)[static_cast<std::size_t>(position_)] : position_;
  }
  // REQUIRES: i < rowCount().
  const host::TrackHandle& track(std::size_t i) const { return (*tracks_)[i]; }
  // Playlist rows only. REQUIRES: i < rowCount().
  PlaylistItemRow item(std::size_t i) const { return items_[i]; }
  const std::vector<std::string>& playlistNames() const { return playlist_names_; }

  // Back to before the first row, every column state cleared, then one step:
  // the set stands on its first row or at end.
  void rewind();
  // One step of the odometer. Inline: a scan of joined tags, the most
  // common, leaves no column state and only moves to the next track.
  void next() {
    if (touched_.empty()) [[likely]] {
      nextTrack();
    } else {
      nextValue();
    }
  }
  bool eof() const { return position_ >= static_cast<int64_t>(tracks_->size()); }

  // The value of column `n` on the current row (see column() below), but a
  // split tag gives the value its track lists first (the rows of a split
  // count their values down from the last).
  void firstValue(int n, sqlite3_context* context);

 private:
  // SQLite reaches column() through it (metadb_cursor.h).
  friend int metaDbColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int n);

  // Sets the value of column `n` on the current row as the result of
  // `context`. A column beyond the plan gives NULL; a failure (host,
  // memory) becomes the result's error. Inline in column_values.cpp.
  void column(int n, sqlite3_context* context) noexcept;

  SQLiteMetaDBRowSet(const host::Host& host, TableType type, const VTabColumns& columns, bool no_split);

  // Asks the processor for the memory that the rows after `p` will read.
  void fetchAhead(std::size_t p);
  void touch(std::size_t n);
  void clearState(ColumnValueState& state);
  // Records that tag column `n` is read, for fetchAhead().
  void noteTagRead(uint32_t n) noexcept;
  void computeTag(std::size_t n, const host::Track& track);
  // A tag column that is not split: its one value, or its values joined.
  // Needs no state from row to row, so next() never visits it.
  void resultJoinedTag(std::size_t n, const host::Track& track, sqlite3_context* context);
  // A joined tag whose field is not where the hint says, or has several
  // values. REQUIRES: the info lock is held.
  [[gnu::noinline]] void joinedTagValues(ColumnPlan& plan, const host::Track& track,
                                         sqlite3_context* context) noexcept;
  // Every column but a joined tag.
  void otherColumn(std::size_t n, const host::Track& track, sqlite3_context* context);
  // The steps of next(): the next value of a split column on this track,
  // or else the next track.
  void nextValue();
  void nextTrack() {
    ++position_;
    setCurrent();
    if (reads_tracks_) fetchAhead(static_cast<std::size_t>(position_));
  }
  // The track of the current row, kept by rewind() and next().
  void setCurrent() {
    const auto p = static_cast<std::size_t>(position_);
    current_ = position_ >= 0 && p < tracks_->size() ? (*tracks_)[p].get() : nullptr;
  }
  void resultTag(std::size_t n, const host::Track& track, sqlite3_context* context);
  void resultInfo(std::size_t n, const host::Track& track, sqlite3_context* context);
  void resultFile(const ColumnPlan& plan, const host::Track& track, sqlite3_context* context);
  void resultTitle(std::size_t n, const host::Track& track, sqlite3_context* context);
  void resultPlaylist(const ColumnPlan& plan, sqlite3_context* context) const;

  const host::Host& host_;
  TableType type_;
  int64_t position_ = -1;
  // The current row's track: nullptr before the first row, at end and for
  // a row without a track. column() needs no other check.
  const host::Track* current_ = nullptr;
  std::size_t plan_count_ = 0;  // plans_.size(), read for every value
  // The snapshot: the host's own immutable list for the library, a list
  // made at open time for the playlists.
  host::TrackListPtr tracks_;
  // Filtered library: where each of tracks_ is in the whole library.
  std::shared_ptr<const std::vector<uint32_t>> positions_;
  std::vector<PlaylistItemRow> items_;
  std::vector<std::string> playlist_names_;
  std::vector<ColumnPlan> plans_;
  std::vector<ColumnValueState> states_;
  // Columns computed on the current row, in column order; next() only has
  // to visit these.
  std::vector<uint32_t> touched_;
  std::string scratch_;
  // Tag columns the statement has read, whose values next() fetches ahead:
  // repeated values live apart from the records, shared by many tracks.
  static constexpr std::size_t kMaxTagsAhead = 8;
  std::vector<uint32_t> tags_ahead_;
  // Set once a column reads the track records at all; a scan that reads
  // none (count(*)) fetches nothing ahead.
  bool reads_tracks_ = false;
  std::size_t fetched_row_ = 0;  // the row fetchAhead() last ran for
};

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_ROW_SET_H_
