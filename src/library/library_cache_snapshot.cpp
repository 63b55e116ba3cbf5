// The library cache's snapshots: a folder's tracks kept in one piece, so
// that a start copies them instead of decoding the rows; see
// LibraryCache::keepSnapshot in library_cache.h.
#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "host/track_image.h"
#include "library/field_names.h"
#include "library/library_cache.h"
#include "library/library_cache_impl.h"
#include "profile/data_error.h"

namespace library {

using cache_sql::bindText;
using cache_sql::columnText;
using cache_sql::kBusyTimeoutMs;
using cache_sql::lowerBound;
using cache_sql::ResetAtEnd;
using cache_sql::upperBound;

bool LibraryCache::Impl::loadSnapshot(std::string_view folder_uri, host::TrackList& tracks) {
  sqlite3_stmt* stmt = select_snapshot.get();
  const ResetAtEnd reset{stmt};
  const std::string low = lowerBound(folder_uri), high = upperBound(folder_uri);
  bindText(stmt, 1, low);
  if (sqlite3_step(stmt) != SQLITE_ROW) return false;  // none, or not current: the rows tell
  const auto* times = static_cast<const char*>(sqlite3_column_blob(stmt, 0));
  const auto times_size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0));
  // The image is read in pieces, straight into the tracks' store, while
  // the statement keeps the read transaction open.
  sqlite3_blob* blob = nullptr;
  if (sqlite3_blob_open(db, "main", "snapshots", "image", sqlite3_column_int64(stmt, 1), 0, &blob) != SQLITE_OK) {
    sqlite3_blob_close(blob);
    return false;
  }
  host::TrackList loaded;
  const bool read = host::loadTrackImage(
      static_cast<uint64_t>(sqlite3_blob_bytes(blob)),
      [blob](uint64_t offset, char* into, std::size_t size) {
        return size <= INT_MAX && offset <= INT_MAX &&
               sqlite3_blob_read(blob, into, static_cast<int>(size), static_cast<int>(offset)) == SQLITE_OK;
      },
      loaded, [](std::string_view name) { return fieldNameProblem(name) == nullptr; });
  sqlite3_blob_close(blob);
  if (!read || times_size != loaded.size() * sizeof(int64_t)) {
    // Damaged: the rows tell, and the next keepSnapshot() writes it anew.
    if (std::find(damaged_snapshots.begin(), damaged_snapshots.end(), low) == damaged_snapshots.end()) {
      damaged_snapshots.push_back(low);
    }
    return false;
  }
  std::vector<Known> entries;
  entries.reserve(loaded.size());
  constexpr std::size_t kAhead = 16;  // the records are far apart in memory: ask for them early
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    if (i + 2 * kAhead < loaded.size()) __builtin_prefetch(loaded[i + 2 * kAhead].get());
    if (i + kAhead < loaded.size()) __builtin_prefetch(loaded[i + kAhead]->pathRef().data() - sizeof(uint32_t));
    int64_t mtime_ns;
    std::memcpy(&mtime_ns, times + i * sizeof mtime_ns, sizeof mtime_ns);
    entries.push_back({loaded[i], loaded[i]->size(), mtime_ns, loaded[i]->path()});
  }
  replaceKnown(low, high, std::move(entries));
  tracks.reserve(tracks.size() + loaded.size());
  std::move(loaded.begin(), loaded.end(), std::back_inserter(tracks));
  return true;
}

bool LibraryCache::Impl::saveSnapshot(std::string_view folder_uri) {
  const std::string low = lowerBound(folder_uri), high = upperBound(folder_uri);
  const auto damaged = std::find(damaged_snapshots.begin(), damaged_snapshots.end(), low);
  if (damaged == damaged_snapshots.end()) {
    sqlite3_stmt* stmt = snapshot_current.get();
    const ResetAtEnd reset{stmt};
    bindText(stmt, 1, low);
    if (sqlite3_step(stmt) == SQLITE_ROW) return true;
  }
  const auto [first, last] = knownRange(low, high);
  for (std::size_t i = first; i < last; ++i) {
    if (known[i].stale) return false;  // its row was written since: only the rows know
  }
  // Made before taking the lock, which other writers wait for.
  host::TrackList list;
  std::string times;
  list.reserve(last - first);
  times.reserve((last - first) * sizeof(int64_t));
  for (std::size_t i = first; i < last; ++i) {
    list.push_back(known[i].track);
    times.append(reinterpret_cast<const char*>(&known[i].mtime_ns), sizeof known[i].mtime_ns);
  }
  // Laid out now; the image itself is made while it is written, piece by
  // piece, so that it is never held whole beside the tracks.
  host::TrackImageWriter image(list);
  exec("BEGIN IMMEDIATE");
  // The tracks at hand are those of the rows, file by file, or there is no
  // snapshot to take (another process may have written since).
  bool same = true;
  {
    sqlite3_stmt* stmt = select_files.get();
    const ResetAtEnd reset{stmt};
    bindText(stmt, 1, low);
    bindText(stmt, 2, high);
    std::size_t i = first;
    int step;
    while (same && (step = sqlite3_step(stmt)) == SQLITE_ROW) {
      if (sqlite3_column_int(stmt, 3) == 0) continue;
      const std::string_view path = columnText(stmt, 0);
      same = i < last && known[i].path == path &&
             known[i].size == static_cast<uint64_t>(sqlite3_column_int64(stmt, 1)) &&
             known[i].mtime_ns == sqlite3_column_int64(stmt, 2);
      ++i;
    }
    if (same && step != SQLITE_DONE) fail("cannot be read");
    same = same && i == last;
  }
  if (!same) {
    exec("ROLLBACK");
    return false;
  }
  step(drop_snapshots.get(), "cannot be written");
  sqlite3_stmt* stmt = put_snapshot.get();
  bindText(stmt, 1, low);
  sqlite3_bind_blob64(stmt, 2, times.data(), times.size(), SQLITE_STATIC);
  // The image goes in as zeros and is then written over: bound whole,
  // SQLite would make a copy of it to build the row.
  if (image.size() > static_cast<uint64_t>(INT_MAX)) fail("cannot be written");
  sqlite3_bind_zeroblob64(stmt, 3, image.size());
  step(stmt, "cannot be written");
  writeBlob("snapshots", "image", sqlite3_last_insert_rowid(db), image);
  exec("COMMIT");
  if (damaged != damaged_snapshots.end()) damaged_snapshots.erase(damaged);
  // Readers take pages from the WAL for as long as it holds them, page by
  // page, even once copied to the file: the snapshot is moved into the
  // file now, where a start reads it mapped. Where a reader is busy it
  // waits for the next writer.
  sqlite3_busy_timeout(db, 0);
  sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  return true;
}

bool LibraryCache::keepSnapshot(std::string_view folder_uri) {
  try {
    return impl_->saveSnapshot(folder_uri);
  } catch (const profile::DataError&) {
    rollback();
    return false;
  }
}

void LibraryCache::Impl::writeBlob(const char* table, const char* column, sqlite3_int64 rowid,
                                   host::TrackImageWriter& image) {
  sqlite3_blob* blob = nullptr;
  int rc = sqlite3_blob_open(db, "main", table, column, rowid, 1, &blob);
  if (rc == SQLITE_OK) {
    image.write([blob, &rc](uint64_t offset, std::string_view bytes) {
      rc = sqlite3_blob_write(blob, bytes.data(), static_cast<int>(bytes.size()), static_cast<int>(offset));
      return rc == SQLITE_OK;
    });
  }
  sqlite3_blob_close(blob);
  if (rc != SQLITE_OK) fail("cannot be written");
}

}  // namespace library
