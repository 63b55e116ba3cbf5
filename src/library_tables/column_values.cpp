// The value of each column kind for the current row, and tf().
//
// Text that lives in the row's track (tag values, path parts, playlist
// names) is handed to SQLite without a copy: the row set holds the track
// until the cursor closes, which is after the statement's last use of the
// value. Text built per row (joined tags, formatted titles, lengths) changes
// on the next row and is copied by SQLite.
#include "library_tables/column_values.h"

#include <sqlite3.h>

#include <climits>
#include <exception>
#include <string>

#include "db/exception.h"
#include "host/multi_value.h"
#include "library_tables/handle_table.h"
#include "library_tables/metadb_cursor.h"
#include "library_tables/row_set.h"
#include "library_tables/title_format_cache.h"
#include "library_tables/value_formats.h"
#include "library_tables/vtab_exception.h"

namespace library_tables {

// The tree and the playlist join a field's values alike.
static_assert(kDefaultSeparator == host::kMultiValueSeparator);
namespace {

// `stable`: the text outlives the statement's use of it (see above).
// The helpers below are inlined: they run for every value of a scan.
[[gnu::always_inline]] inline void resultText(sqlite3_context* context, std::string_view text, bool stable) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    sqlite3_result_error_toobig(context);
    return;
  }
  // A null pointer would make the result NULL instead of empty.
  const char* data = text.data() != nullptr ? text.data() : "";
  sqlite3_result_text(context, data, static_cast<int>(text.size()), stable ? SQLITE_STATIC : SQLITE_TRANSIENT);
}

// A text of the track. SQLite hands text to its callers zero-terminated;
// told that a stable value is (length -1), it need not copy it to add the
// zero. The store says whether the bytes hold a zero of their own.
[[gnu::always_inline]] inline void resultTerminated(sqlite3_context* context, host::TextRef text) {
  if (text.plain()) {
    sqlite3_result_text(context, text.data(), -1, SQLITE_STATIC);
  } else {
    resultText(context, text.view(), true);
  }
}

// A part of `whole`, a text of the track.
void resultPart(sqlite3_context* context, std::string_view part, host::TextRef whole) {
  const std::string_view all = whole.view();
  if (part.data() + part.size() == all.data() + all.size() && whole.plain()) {
    sqlite3_result_text(context, part.data(), -1, SQLITE_STATIC);
  } else {
    resultText(context, part, true);
  }
}

// Value `index` of a column state: a text of the track, or the state's own.
void resultStateValue(sqlite3_context* context, const ColumnValueState& state, std::size_t index) {
  if (state.owned) {
    resultText(context, state.text, false);
  } else {
    resultTerminated(context, state.values.ref(index));
  }
}

// The field `plan` reads in `fields`, or nullptr; keeps the hint current.
// Inlined: passed out of line, the field list goes through memory on every
// value of the scan.
[[gnu::always_inline]] inline host::FieldPtr findField(ColumnPlan& plan, host::FieldList fields) {
  if (plan.field == host::kNoField) return nullptr;
  if (plan.field_hint < fields.size() && fields.slot(plan.field_hint).id == plan.field) {
    return host::FieldPtr(fields[plan.field_hint]);
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields.slot(i).id == plan.field) {
      plan.field_hint = static_cast<uint32_t>(i);
      return host::FieldPtr(fields[i]);
    }
  }
  return nullptr;
}

void resultGain(sqlite3_context* context, float gain) {
  if (gain != -1000.0f) sqlite3_result_double(context, gain);
}

void resultPeak(sqlite3_context* context, float peak) {
  if (peak != -1.0f) sqlite3_result_double(context, peak);
}

// The exception being handled as the error of `context`. Call it in a catch
// block only.
void resultFailure(sqlite3_context* context) noexcept {
  try {
    const std::string message = currentExceptionMessage();
    sqlite3_result_error(context, message.c_str(), -1);
  } catch (...) {
    sqlite3_result_error_nomem(context);
  }
}

}  // namespace

// Inlined into column(): the value most scans read. A field found where
// the hint says, with one value, is handed over here; the rest goes to
// joinedTagValues(), out of line so that this path stays short.
[[gnu::always_inline]] inline void SQLiteMetaDBRowSet::resultJoinedTag(std::size_t n, const host::Track& track,
                                                                       sqlite3_context* context) {
  ColumnPlan& plan = plans_[n];
  if (!plan.read) [[unlikely]] {
    plan.read = true;
    noteTagRead(static_cast<uint32_t>(n));
  }
  const char* text = nullptr;
  {
    // Held while the value is found, for this one value only. SQLite takes
    // the text after: it lies in the record, which outlives the lock.
    const auto lock = host_.lockInfo();
    if (!track.hasInfo()) return;
    const host::FieldList fields = track.meta();
    const uint32_t hint = plan.field_hint;
    if (hint < fields.size() && fields.slot(hint).id == plan.field && fields.slot(hint).value_count == 1) [[likely]] {
      text = fields[hint].values().ref(0).data();
    } else {
      joinedTagValues(plan, track, context);
      return;
    }
  }
  resultTerminated(context, host::TextRef(text));
}

void SQLiteMetaDBRowSet::joinedTagValues(ColumnPlan& plan, const host::Track& track,
                                         sqlite3_context* context) noexcept {
  const host::FieldPtr field = findField(plan, track.meta());
  if (field == nullptr || field->value_count == 0) return;
  const host::ValueList values = field->values();
  if (values.size() == 1) {
    resultTerminated(context, values.ref(0));
    return;
  }
  try {
    scratch_.clear();
    host::appendJoined(scratch_, values, plan.separator);
  } catch (...) {
    resultFailure(context);
    return;
  }
  resultText(context, scratch_, false);
}

// Inlined into metaDbColumn() below, which SQLite calls for every value.
[[gnu::always_inline]] inline void SQLiteMetaDBRowSet::column(int n, sqlite3_context* context) noexcept {
  // A negative `n` becomes too large an index.
  const auto index = static_cast<std::size_t>(static_cast<unsigned>(n));
  const host::Track* track = current_;
  if (track == nullptr || index >= plan_count_) return;
  if (plans_[index].joined_tag) [[likely]] {
    resultJoinedTag(index, *track, context);
    return;
  }
  try {
    otherColumn(index, *track, context);
  } catch (...) {
    resultFailure(context);
  }
}

int metaDbColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int n) {
  reinterpret_cast<MetaDbCursor*>(cursor)->rows->column(n, context);
  return SQLITE_OK;
}

void SQLiteMetaDBRowSet::otherColumn(std::size_t n, const host::Track& track, sqlite3_context* context) {
  const ColumnPlan& plan = plans_[n];
  reads_tracks_ = true;
  switch (plan.source) {
    case ValueSource::kNull: return;
    case ValueSource::kTag: resultInfo(n, track, context); return;  // split tags; column() took the joined ones
    case ValueSource::kTechInfo:
    case ValueSource::kLength:
    case ValueSource::kLengthSeconds:
    case ValueSource::kTrackGain:
    case ValueSource::kAlbumGain:
    case ValueSource::kTrackPeak:
    case ValueSource::kAlbumPeak: resultInfo(n, track, context); return;
    case ValueSource::kTFExpression: resultTitle(n, track, context); return;
    case ValueSource::kHandle: {
      const host::TrackHandle& handle = (*tracks_)[static_cast<std::size_t>(position_)];
      sqlite3_result_int64(context, static_cast<sqlite3_int64>(HandleTable::instance().append(handle)));
      return;
    }
    case ValueSource::kPath:
    case ValueSource::kDirectoryName:
    case ValueSource::kFileName:
    case ValueSource::kFileNameExt:
    case ValueSource::kFileSizeNatural:
    case ValueSource::kLastModified:
    case ValueSource::kFileSize:
    case ValueSource::kSubsong: resultFile(plan, track, context); return;
    case ValueSource::kPlaylistName:
    case ValueSource::kPlaylistIndex:
    case ValueSource::kPlaylistItem: resultPlaylist(plan, context); return;
  }
}

void SQLiteMetaDBRowSet::resultInfo(std::size_t n, const host::Track& track, sqlite3_context* context) {
  // Held for this one value only.
  const auto lock = host_.lockInfo();
  if (!track.hasInfo()) return;
  ColumnPlan& plan = plans_[n];
  switch (plan.source) {
    case ValueSource::kTag: resultTag(n, track, context); return;
    case ValueSource::kTechInfo: {
      host::FieldPtr field = findField(plan, track.tech());
      if (field != nullptr && field->value_count > 0) resultTerminated(context, field->values().ref(0));
      return;
    }
    case ValueSource::kLength:
      formatLength(track.length(), scratch_);
      resultText(context, scratch_, false);
      return;
    case ValueSource::kLengthSeconds: sqlite3_result_double(context, track.length()); return;
    case ValueSource::kTrackGain: resultGain(context, track.replayGain().track_gain); return;
    case ValueSource::kAlbumGain: resultGain(context, track.replayGain().album_gain); return;
    case ValueSource::kTrackPeak: resultPeak(context, track.replayGain().track_peak); return;
    case ValueSource::kAlbumPeak: resultPeak(context, track.replayGain().album_peak); return;
    default: return;
  }
}

void SQLiteMetaDBRowSet::computeTag(std::size_t n, const host::Track& track) {
  ColumnPlan& plan = plans_[n];
  ColumnValueState& state = states_[n];
  touch(n);
  state.owned = false;
  if (!plan.read) {
    plan.read = true;
    noteTagRead(static_cast<uint32_t>(n));
  }
  host::FieldPtr field = findField(plan, track.meta());
  if (field == nullptr || field->value_count == 0) {
    state.values = host::ValueList(nullptr, 0);
    state.counter = kNoValue;
    return;
  }
  const host::ValueList values = field->values();
  state.values = values;
  if (plan.split) {
    // A column that follows another one multiplies no rows of its own.
    state.counter = plan.has_associated ? kNotComputed : static_cast<int32_t>(values.size() - 1);
    return;
  }
  if (values.size() > 1) {
    state.text.clear();
    host::appendJoined(state.text, values, plan.separator);
    state.owned = true;
  }
  state.counter = 0;
}

void SQLiteMetaDBRowSet::resultTag(std::size_t n, const host::Track& track, sqlite3_context* context) {
  ColumnValueState& state = states_[n];
  if (state.counter == kNotComputed) computeTag(n, track);
  if (state.counter == kNoValue) return;
  if (state.counter >= 0) {
    resultStateValue(context, state, static_cast<std::size_t>(state.counter));
    return;
  }
  // A split column associated with another: the value with that column's
  // current index. The other column is computed first when the statement
  // reads this one before it (a WHERE term, say), so that the pairing does
  // not depend on the order SQLite reads the columns in.
  const ColumnPlan& plan = plans_[n];
  if (plan.associated < 0) return;
  const auto other = static_cast<std::size_t>(plan.associated);
  const ColumnPlan& other_plan = plans_[other];
  if (states_[other].counter == kNotComputed && other_plan.source == ValueSource::kTag && !other_plan.has_associated) {
    computeTag(other, track);
  }
  const int32_t index = states_[other].counter;
  if (index < 0 || static_cast<std::size_t>(index) >= state.valueCount()) return;
  resultStateValue(context, state, static_cast<std::size_t>(index));
}

void SQLiteMetaDBRowSet::resultTitle(std::size_t n, const host::Track& track, sqlite3_context* context) {
  ColumnValueState& state = states_[n];
  if (state.counter == kNotComputed) {
    touch(n);
    state.counter = 0;
    // No value when the script cannot be evaluated.
    state.owned = host_.formatTitle(track, *plans_[n].script, state.text);
  }
  if (state.owned) resultText(context, state.text, false);
}

void SQLiteMetaDBRowSet::resultFile(const ColumnPlan& plan, const host::Track& track, sqlite3_context* context) {
  switch (plan.source) {
    case ValueSource::kPath: resultPart(context, locationPath(track.path()), track.pathRef()); return;
    case ValueSource::kDirectoryName:
      resultPart(context, directoryName(locationPath(track.path())), track.pathRef());
      return;
    case ValueSource::kFileName: resultPart(context, fileName(track.path()), track.pathRef()); return;
    case ValueSource::kFileNameExt: resultPart(context, fileNameExt(track.path()), track.pathRef()); return;
    case ValueSource::kFileSizeNatural:
      formatFileSize(track.size(), scratch_);
      resultText(context, scratch_, false);
      return;
    case ValueSource::kLastModified:
      if (!formatLocalTime(track.mtime(), scratch_)) scratch_.assign(kInvalidTimestamp);
      resultText(context, scratch_, false);
      return;
    case ValueSource::kFileSize: sqlite3_result_int64(context, static_cast<sqlite3_int64>(track.size())); return;
    case ValueSource::kSubsong: sqlite3_result_int64(context, track.subsong()); return;
    default: return;
  }
}

void SQLiteMetaDBRowSet::resultPlaylist(const ColumnPlan& plan, sqlite3_context* context) const {
  const auto position = static_cast<std::size_t>(position_);
  if (position >= items_.size()) return;
  const PlaylistItemRow row = items_[position];
  if (row.playlist < 0) return;
  switch (plan.source) {
    case ValueSource::kPlaylistName:
      if (static_cast<std::size_t>(row.playlist) < playlist_names_.size()) {
        const std::string& name = playlist_names_[static_cast<std::size_t>(row.playlist)];
        const bool inner_zero = std::char_traits<char>::length(name.c_str()) != name.size();
        if (inner_zero) {
          resultText(context, name, true);
        } else {
          sqlite3_result_text(context, name.c_str(), -1, SQLITE_STATIC);
        }
      }
      return;
    case ValueSource::kPlaylistIndex: sqlite3_result_int64(context, row.playlist); return;
    case ValueSource::kPlaylistItem: sqlite3_result_int64(context, static_cast<sqlite3_int64>(row.item) + 1); return;
    default: return;
  }
}

void SQLiteMetaDBRowSet::firstValue(int n, sqlite3_context* context) {
  const auto index = static_cast<std::size_t>(static_cast<unsigned>(n));
  if (current_ == nullptr || index >= plan_count_) return;
  const ColumnPlan& plan = plans_[index];
  if (plan.source != ValueSource::kTag || !plan.split) {
    column(n, context);
    return;
  }
  computeTag(index, *current_);
  const ColumnValueState& state = states_[index];
  if (state.counter == kNoValue || state.valueCount() == 0) return;
  resultStateValue(context, state, 0);
}

void tfFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  try {
    auto* host = static_cast<host::Host*>(sqlite3_user_data(context));
    if (host == nullptr || argc != 2) {
      sqlite3_result_error(context, kTfEvaluationFailed.data(), static_cast<int>(kTfEvaluationFailed.size()));
      return;
    }
    const auto index = static_cast<uint64_t>(sqlite3_value_int64(argv[0]));
    const host::TrackHandle* handle = HandleTable::instance().get(index);
    if (handle == nullptr || !*handle) {
      sqlite3_result_error(context, kIllegalTfArgument.data(), static_cast<int>(kIllegalTfArgument.size()));
      return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) return;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (text == nullptr) {
      sqlite3_result_error_nomem(context);
      return;
    }
    const std::string_view expression(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[1])));
    const host::TitleFormatScript& script = TitleFormatCache::instance().script(*host, expression);
    // Reused from row to row; SQLite copies the result.
    static std::string formatted;
    if (!host->formatTitle(**handle, script, formatted)) {
      sqlite3_result_error(context, kTfEvaluationFailed.data(), static_cast<int>(kTfEvaluationFailed.size()));
      return;
    }
    resultText(context, formatted, false);
  } catch (const db::Exception& e) {
    const std::string message = e.message();
    sqlite3_result_error(context, message.c_str(), -1);
  } catch (const std::exception& e) {
    sqlite3_result_error(context, e.what(), -1);
  } catch (...) {
    sqlite3_result_error(context, kTfEvaluationFailed.data(), static_cast<int>(kTfEvaluationFailed.size()));
  }
}

}  // namespace library_tables
