// Snapshots, column plans and the odometer of SQLiteMetaDBRowSet. The values
// themselves are computed in column_values.cpp.
#include "library_tables/row_set.h"

#include <algorithm>
#include <cassert>

namespace library_tables {
namespace {

struct NamedSource {
  std::string_view name;
  ValueSource source;
};

constexpr NamedSource kInfoRealNames[] = {
    {"length_seconds", ValueSource::kLengthSeconds},
    {"replaygain_track_gain", ValueSource::kTrackGain},
    {"replaygain_album_gain", ValueSource::kAlbumGain},
    {"replaygain_track_peak", ValueSource::kTrackPeak},
    {"replaygain_album_peak", ValueSource::kAlbumPeak},
};
constexpr NamedSource kFileTextNames[] = {
    {"path", ValueSource::kPath},
    {"directoryname", ValueSource::kDirectoryName},
    {"filename", ValueSource::kFileName},
    {"filename_ext", ValueSource::kFileNameExt},
    {"filesize_natural", ValueSource::kFileSizeNatural},
    {"last_modified", ValueSource::kLastModified},
};
constexpr NamedSource kFileIntegerNames[] = {
    {"filesize", ValueSource::kFileSize},
    {"subsong", ValueSource::kSubsong},
};
constexpr NamedSource kInfoTextNames[] = {{"length", ValueSource::kLength}};
constexpr NamedSource kPlaylistTextNames[] = {{"playlist_name", ValueSource::kPlaylistName}};
constexpr NamedSource kPlaylistIntegerNames[] = {
    {"playlist_index", ValueSource::kPlaylistIndex},
    {"playlist_item", ValueSource::kPlaylistItem},
};

template <std::size_t N>
ValueSource byName(const NamedSource (&names)[N], std::string_view name) {
  for (const NamedSource& entry : names) {
    if (entry.name == name) return entry.source;
  }
  return ValueSource::kNull;
}

}  // namespace

ColumnPlan planColumn(const SQLiteMetaDBVTabColumn& column, TableType type, bool no_multivalue_split,
                      std::size_t column_count) {
  ColumnPlan plan;
  const std::string& name = column.name();
  switch (column.kind()) {
    case ColumnType::kTag: {
      plan.source = ValueSource::kTag;
      // Any field a snapshot's track carries was interned when the track was
      // made, so a name never interned matches no track.
      plan.field = host::findField(column.tagName().empty() ? name : column.tagName());
      plan.split = column.splitMultiValueTag() && !no_multivalue_split;
      plan.joined_tag = !plan.split;
      plan.separator = column.separator();
      if (plan.split && !column.associatedColumn().empty()) {
        plan.has_associated = true;
        const int32_t index = column.associatedIndex();
        plan.associated = index >= 0 && static_cast<std::size_t>(index) < column_count ? index : -1;
      }
      break;
    }
    case ColumnType::kTechInfo:
      plan.source = ValueSource::kTechInfo;
      plan.field = host::findField(name);
      break;
    case ColumnType::kTFExpression:
      plan.source = ValueSource::kTFExpression;
      plan.script = column.script();
      break;
    case ColumnType::kHandle: plan.source = ValueSource::kHandle; break;
    case ColumnType::kInfoText: plan.source = byName(kInfoTextNames, name); break;
    case ColumnType::kInfoReal: plan.source = byName(kInfoRealNames, name); break;
    case ColumnType::kFileText: plan.source = byName(kFileTextNames, name); break;
    case ColumnType::kFileInteger: plan.source = byName(kFileIntegerNames, name); break;
    case ColumnType::kPlaylistText:
      if (type == TableType::kPlaylist) plan.source = byName(kPlaylistTextNames, name);
      break;
    case ColumnType::kPlaylistInteger:
      if (type == TableType::kPlaylist) plan.source = byName(kPlaylistIntegerNames, name);
      break;
    case ColumnType::kInfoInteger:
    case ColumnType::kFileReal:
    default: break;
  }
  return plan;
}

SQLiteMetaDBRowSet::SQLiteMetaDBRowSet(const host::Host& host, TableType type, const VTabColumns& columns,
                                       bool no_split)
    : host_(host), type_(type) {
  plans_.reserve(columns.size());
  for (const SQLiteMetaDBVTabColumn& column : columns) {
    plans_.push_back(planColumn(column, type, no_split, columns.size()));
  }
  plan_count_ = plans_.size();
  states_.resize(plans_.size());
  touched_.reserve(plans_.size());
  tags_ahead_.reserve(kMaxTagsAhead);  // noteTagRead() never allocates
}

std::unique_ptr<SQLiteMetaDBRowSet> SQLiteMetaDBRowSet::library(const host::Host& host, const VTabColumns& columns,
                                                                bool no_multivalue_split, db::LibraryFilter* filter) {
  std::unique_ptr<SQLiteMetaDBRowSet> rows(
      new SQLiteMetaDBRowSet(host, TableType::kMediaLibrary, columns, no_multivalue_split));
  if (filter == nullptr) {
    rows->tracks_ = host.libraryTracks();
  } else {
    // The scan below is the same either way: it walks the matching tracks
    // only, and the filter keeps them for the next cursor.
    db::FilteredLibrary part = filter->apply(host.libraryTracks());
    rows->tracks_ = std::move(part.tracks);
    rows->positions_ = std::move(part.positions);
  }
  return rows;
}

std::unique_ptr<SQLiteMetaDBRowSet> SQLiteMetaDBRowSet::playlists(const host::Host& host,
                                                                  const VTabColumns& columns,
                                                                  bool no_multivalue_split) {
  std::unique_ptr<SQLiteMetaDBRowSet> rows(
      new SQLiteMetaDBRowSet(host, TableType::kPlaylist, columns, no_multivalue_split));
  const std::size_t count = host.playlistCount();
  rows->playlist_names_.reserve(count);
  host::TrackList all;
  for (std::size_t p = 0; p < count; ++p) {
    rows->playlist_names_.push_back(host.playlistName(p));
    host::TrackList items = host.playlistItems(p);
    all.reserve(all.size() + items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
      all.push_back(std::move(items[i]));
      rows->items_.push_back({static_cast<int32_t>(p), static_cast<uint32_t>(i)});
    }
  }
  rows->tracks_ = std::make_shared<const host::TrackList>(std::move(all));
  return rows;
}

std::unique_ptr<SQLiteMetaDBRowSet> SQLiteMetaDBRowSet::single(const host::Host& host, host::TrackListPtr tracks,
                                                               const VTabColumns& columns) {
  std::unique_ptr<SQLiteMetaDBRowSet> rows(new SQLiteMetaDBRowSet(host, TableType::kMediaLibrary, columns, false));
  rows->tracks_ = std::move(tracks);
  return rows;
}

void SQLiteMetaDBRowSet::touch(std::size_t n) {
  ColumnValueState& state = states_[n];
  if (state.touched) return;
  state.touched = true;
  const auto index = static_cast<uint32_t>(n);
  if (touched_.empty() || touched_.back() < index) {
    touched_.push_back(index);  // columns are mostly read in order
  } else {
    touched_.insert(std::upper_bound(touched_.begin(), touched_.end(), index), index);
  }
}

void SQLiteMetaDBRowSet::clearState(ColumnValueState& state) {
  state.counter = kNotComputed;
  state.owned = false;
  state.touched = false;
  state.values = host::ValueList(nullptr, 0);
}

void SQLiteMetaDBRowSet::rewind() {
  for (uint32_t n : touched_) clearState(states_[n]);
  touched_.clear();
  position_ = -1;
  next();
}

void SQLiteMetaDBRowSet::nextValue() {
  for (std::size_t k = 0; k < touched_.size(); ++k) {
    ColumnValueState& state = states_[touched_[k]];
    if (state.counter > 0) {
      // Same track, next value of this column; the columns before it were
      // reset and start over.
      --state.counter;
      touched_.erase(touched_.begin(), touched_.begin() + static_cast<std::ptrdiff_t>(k));
      return;
    }
    clearState(state);
  }
  touched_.clear();
  nextTrack();
}

void SQLiteMetaDBRowSet::fetchAhead(std::size_t p) {
  // A library's records lie one after the other in the order of the list,
  // which the processor follows by itself once it sees the pattern; asking
  // for the first lines of a record some rows ahead covers the start of a
  // scan and lists whose records came from several stores. Values shared
  // by many tracks (artist, album ...) lie elsewhere in no useful order:
  // once a record is at hand, the values the statement reads are asked for.
  constexpr std::size_t kRecordAhead = 8;
  constexpr std::size_t kValuesAhead = 4;
  constexpr std::size_t kLines = 4;
  constexpr std::size_t kLine = 64;
  constexpr std::size_t kMaxValuesAhead = 4;
  // Also keeps the compiler from taking this for a function without
  // effects (prefetches do not count) and dropping the call.
  fetched_row_ = p;
  const host::TrackList& tracks = *tracks_;
  if (p + kRecordAhead < tracks.size()) {
    if (const host::Track* track = tracks[p + kRecordAhead].get()) {
      const auto* record = reinterpret_cast<const char*>(track);
      for (std::size_t line = 0; line < kLines; ++line) __builtin_prefetch(record + line * kLine);
    }
  }
  if (tags_ahead_.empty() || p + kValuesAhead >= tracks.size()) return;
  const host::Track* track = tracks[p + kValuesAhead].get();
  if (track == nullptr) return;
  const host::FieldList meta = track->meta();
  for (uint32_t n : tags_ahead_) {
    const uint32_t hint = plans_[n].field_hint;
    if (hint >= meta.size() || meta.slot(hint).value_count == 0) continue;
    const host::ValueList values = meta[hint].values();
    __builtin_prefetch(values.ref(0).data());
    // A field of several values is read whole (joined) or value by value
    // (split), and each value lies apart.
    if (values.size() > 1) [[unlikely]] {
      const std::size_t count = std::min(values.size(), kMaxValuesAhead);
      for (std::size_t i = 1; i < count; ++i) __builtin_prefetch(values.ref(i).data());
    }
  }
}

void SQLiteMetaDBRowSet::noteTagRead(uint32_t n) noexcept {
  for (uint32_t known : tags_ahead_) {
    if (known == n) return;
  }
  if (tags_ahead_.size() < kMaxTagsAhead) tags_ahead_.push_back(n);
  reads_tracks_ = true;
}

}  // namespace library_tables
