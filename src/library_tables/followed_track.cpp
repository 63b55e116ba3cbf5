#include "library_tables/followed_track.h"

#include <sqlite3.h>

#include <exception>
#include <memory>
#include <string>

#include "db/database.h"
#include "db/exception.h"
#include "host/host.h"
#include "host/text.h"
#include "library_tables/column_store.h"
#include "library_tables/handle_table.h"
#include "library_tables/metadb_module.h"
#include "library_tables/row_set.h"

namespace library_tables {
namespace {

enum class Followed { kPlaying, kSelected };

void resultError(sqlite3_context* context, const std::string& message) {
  sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
}

// The index of the MediaLibrary column named `name` in any case, as SQL
// names columns, or -1.
int findColumnNoCase(const VTabColumns& columns, std::string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (host::equalsNoCase(columns[i].name(), name)) return static_cast<int>(i);
  }
  return -1;
}

template <Followed kWhich>
void fieldFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  try {
    auto* db = static_cast<db::SQLiteDatabase*>(sqlite3_user_data(context));
    notifyFollowedTrackRead();
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (text == nullptr) {
      sqlite3_result_error_nomem(context);
      return;
    }
    const std::string_view field(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
    const VTabColumns& columns = VTabColumnStore::instance().columns(TableType::kMediaLibrary, *db, false);
    // An unknown name is an error also while nothing plays, so that a typo
    // shows at once and not only when a track starts.
    const int column = findColumnNoCase(columns, field);
    if (column < 0) {
      resultError(context, std::string(kNoSuchColumn) + std::string(field));
      return;
    }
    const host::Host& host = db->host();
    host::TrackHandle track = kWhich == Followed::kPlaying ? host.playingTrack() : host.focusedTrack();
    if (track == nullptr) return;
    // One row of MediaLibrary over this one track, as a scan would read it.
    const auto one = std::make_shared<const host::TrackList>(1, std::move(track));
    std::unique_ptr<SQLiteMetaDBRowSet> rows = SQLiteMetaDBRowSet::single(host, one, columns);
    rows->rewind();
    rows->firstValue(column, context);
  } catch (const db::Exception& e) {
    resultError(context, e.message());
  } catch (const std::exception& e) {
    resultError(context, e.what());
  } catch (...) {
    resultError(context, "unable to read the followed track");
  }
}

void playingHandle(sqlite3_context* context, int, sqlite3_value**) {
  try {
    auto* db = static_cast<db::SQLiteDatabase*>(sqlite3_user_data(context));
    notifyFollowedTrackRead();
    const host::TrackHandle track = db->host().playingTrack();
    if (track == nullptr) return;
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(HandleTable::instance().append(track)));
  } catch (const std::exception& e) {
    resultError(context, e.what());
  } catch (...) {
    resultError(context, "unable to read the playing track");
  }
}

}  // namespace

void registerFollowedTrackFunctions(db::SQLiteDatabase& db) {
  // Deterministic, so that a call with constant arguments runs once per
  // statement and one statement sees one track. Direct-only, because the
  // value changes between statements: an index, a CHECK constraint, a
  // generated column or a view built on it would hold values that no longer
  // hold (an index so built would read as damaged later).
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
  sqlite3* handle = db.handle();
  int rc = sqlite3_create_function_v2(handle, "playing", 1, kFlags, &db, fieldFunction<Followed::kPlaying>, nullptr,
                                      nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(handle, "selected", 1, kFlags, &db, fieldFunction<Followed::kSelected>, nullptr,
                                    nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(handle, "playing_handle", 0, kFlags, &db, playingHandle, nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    throw db::SQLiteException(rc, "SQLite Error: (" + std::to_string(rc) + ") " + db.LastErrorText());
  }
}

}  // namespace library_tables
