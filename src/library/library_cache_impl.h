// What the library cache's two sources share: the connection, its
// statements and the tracks it gave out (library_cache.cpp opens the file
// and keeps the rows; library_cache_snapshot.cpp loads and saves the
// folders' snapshots). Not for use outside them.
#ifndef VOSTREL_LIBRARY_LIBRARY_CACHE_IMPL_H_
#define VOSTREL_LIBRARY_LIBRARY_CACHE_IMPL_H_

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/track.h"
#include "host/track_image.h"
#include "library/library_cache.h"
#include "profile/data_error.h"

namespace library {
namespace cache_sql {

constexpr int kBusyTimeoutMs = 60'000;

// The range of locations below a folder: "F/" up to "F0" ('0' follows '/').
// (The root folder's URI, "file:///", ends in its slash already.)
inline std::string lowerBound(std::string_view folder_uri) {
  return folder_uri.ends_with('/') ? std::string(folder_uri) : std::string(folder_uri) + '/';
}
inline std::string upperBound(std::string_view folder_uri) {
  if (folder_uri.ends_with('/')) folder_uri.remove_suffix(1);
  return std::string(folder_uri) + '0';
}

class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  Statement& operator=(Statement&& other) noexcept {
    std::swap(stmt_, other.stmt_);
    return *this;
  }
  sqlite3_stmt* get() const { return stmt_; }
  explicit operator bool() const { return stmt_ != nullptr; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Resets the statement when the scope ends, so that it holds no read lock.
struct ResetAtEnd {
  sqlite3_stmt* stmt;
  ~ResetAtEnd() {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
  }
};

inline void bindText(sqlite3_stmt* stmt, int index, std::string_view text) {
  sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}
// The text of column `index` of the current row, valid until the next step.
inline std::string_view columnText(sqlite3_stmt* stmt, int index) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
  return {text != nullptr ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, index))};
}

}  // namespace cache_sql

struct LibraryCache::Impl {
  // The tracks this cache last gave out, in location order, for as long
  // as their row stays as it was: a rescan hands them out again instead of
  // decoding its rows anew. An entry whose row was written since is stale:
  // it keeps its track, whose path is the entry's key, until a load or a
  // scan replaces the folder's entries, and hands it out no more.
  struct Known {
    host::TrackHandle track;  // never null: it keeps `path` alive
    uint64_t size;
    int64_t mtime_ns;
    std::string_view path;  // the track's own
    bool stale = false;
  };
  std::vector<Known> known;

  // The entries of locations from `low` (included) to `high` (excluded).
  std::pair<std::size_t, std::size_t> knownRange(std::string_view low, std::string_view high) const {
    auto before = [](const Known& entry, std::string_view path) { return entry.path < path; };
    const auto first = std::lower_bound(known.begin(), known.end(), low, before);
    const auto last = std::lower_bound(first, known.end(), high, before);
    return {static_cast<std::size_t>(first - known.begin()), static_cast<std::size_t>(last - known.begin())};
  }
  // Puts `entries` (in order) in place of the entries from `low` to `high`.
  void replaceKnown(std::string_view low, std::string_view high, std::vector<Known> entries) {
    const auto [first, last] = knownRange(low, high);
    if (first == 0 && last == known.size()) {  // all of them: a start's first load
      known = std::move(entries);
      return;
    }
    known.erase(known.begin() + static_cast<std::ptrdiff_t>(first), known.begin() + static_cast<std::ptrdiff_t>(last));
    known.insert(known.begin() + static_cast<std::ptrdiff_t>(first), std::make_move_iterator(entries.begin()),
                 std::make_move_iterator(entries.end()));
  }
  void forget(std::string_view uri) {
    const auto [first, last] = knownRange(uri, std::string(uri) + '\0');
    for (std::size_t i = first; i < last; ++i) known[i].stale = true;
  }

  std::filesystem::path file;
  sqlite3* db = nullptr;
  std::vector<std::string> notices;
  cache_sql::Statement select_files, select_tracks, put_file, put_ctime, select_record, remove_file, select_folder,
      put_folder, select_unavailable, remove_folder, count_up, select_snapshot, snapshot_current, drop_snapshots,
      put_snapshot, select_walked, put_walked, remove_walked;
  bool counted = false;                        // the generation was counted up in this transaction
  std::vector<std::string> damaged_snapshots;  // folders whose current snapshot could not be loaded

  ~Impl() { sqlite3_close_v2(db); }

  [[noreturn]] void fail(const std::string& what) const {
    const char* reason = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    throw profile::DataError("Library cache \"" + file.string() + "\": " + what + ": " + reason);
  }

  void exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail("cannot be used");
  }

  // Opens the file and makes its tables; false when it is not a usable
  // cache (not a database, damaged, or of another format).
  bool open();
  // Whether the files table has the column `column`.
  bool filesHave(const char* column);
  // False for a file SQLite finds is no database or damaged; throws for
  // any other failure (a busy or read-only file is not set aside).
  bool damaged();
  void prepare();
  // Writes `image` over the blob of `column` in row `rowid` of `table`,
  // which is as long already.
  void writeBlob(const char* table, const char* column, sqlite3_int64 rowid, host::TrackImageWriter& image);

  void step(sqlite3_stmt* stmt, const char* what) {
    const cache_sql::ResetAtEnd reset{stmt};
    if (sqlite3_step(stmt) != SQLITE_DONE) fail(what);
  }

  // Before a change of files: counts the generation up, once per
  // transaction, so that no snapshot taken before passes as current.
  void changing() {
    if (counted && !sqlite3_get_autocommit(db)) return;
    step(count_up.get(), "cannot be written");
    counted = !sqlite3_get_autocommit(db);
  }

  bool loadSnapshot(std::string_view folder, host::TrackList& tracks);
  bool saveSnapshot(std::string_view folder);
  void setAside(const std::string& problem);
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_LIBRARY_CACHE_IMPL_H_
