// The library cache over plain SQLite; see library_cache.h. The snapshots
// are loaded and saved in library_cache_snapshot.cpp.
#include "library/library_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <iterator>

#include "host/track_builder.h"
#include "library/cache_row_groups.h"
#include "library/library_cache_impl.h"
#include "library/track_record.h"
#include "profile/data_error.h"

namespace library {
namespace {

using cache_sql::bindText;
using cache_sql::columnText;
using cache_sql::kBusyTimeoutMs;
using cache_sql::lowerBound;
using cache_sql::ResetAtEnd;
using cache_sql::Statement;
using cache_sql::upperBound;

// 1: files and folders. 2: a generation, counted up by every transaction
// that changes files, and snapshots; a cache of format 1 takes the new
// tables and keeps its rows. 3: the files' status-change times; the rows
// of an older cache take 0, "not known". 4: the folders a scan walked; a
// cache of an older format has none, so its next scan lists every folder.
constexpr int kFormatVersion = 4;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS files(path TEXT PRIMARY KEY, size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,"
    " record BLOB, ctime_ns INTEGER NOT NULL DEFAULT 0) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS folders(path TEXT PRIMARY KEY, available INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS state(generation INTEGER NOT NULL);"
    "INSERT INTO state SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM state);"
    // A folder's tracks as a track image (track_image.h), with their
    // files' times in nanoseconds (8 bytes each, in the same order), as
    // the rows were at `generation`.
    "CREATE TABLE IF NOT EXISTS snapshots(folder TEXT PRIMARY KEY, generation INTEGER NOT NULL,"
    " times BLOB NOT NULL, image BLOB NOT NULL);"
    // The folders at and below the music folders that the last scan
    // walked, each with its stamp (LibraryCache::FolderStamp).
    "CREATE TABLE IF NOT EXISTS walked_folders(path TEXT PRIMARY KEY, mtime_ns INTEGER NOT NULL,"
    " ctime_ns INTEGER NOT NULL, inode INTEGER NOT NULL) WITHOUT ROWID;";

// What is wrong with `file` as the cache's file: "" for a regular file, or
// none; "is a folder, not a file" and the like otherwise. A link counts as
// what it points to.
std::string notAFile(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return {};
  if (S_ISDIR(info.st_mode)) return "is a folder, not a file";
  if (S_ISFIFO(info.st_mode)) return "is a pipe, not a file";
  if (S_ISSOCK(info.st_mode)) return "is a socket, not a file";
  return "is a device, not a file";
}

}  // namespace

bool LibraryCache::Impl::open() {
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    fail("cannot be opened");
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // The WAL is copied into the file when it grows large, not at every
  // close: a command that only read would otherwise wait for the disk.
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  sqlite3_stmt* version = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr) != SQLITE_OK) return damaged();
  int stored = 0;
  const int step = sqlite3_step(version);
  if (step == SQLITE_ROW) stored = sqlite3_column_int(version, 0);
  sqlite3_finalize(version);
  if (step != SQLITE_ROW) return damaged();
  if (stored < 0 || stored > kFormatVersion) return false;
  if (sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK) return damaged();
  exec("PRAGMA synchronous=NORMAL");
  // Snapshots are read mapped rather than page by page.
  exec("PRAGMA mmap_size=1073741824");
  if (stored != kFormatVersion) {
    exec("BEGIN IMMEDIATE");
    if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        (!filesHave("ctime_ns") && sqlite3_exec(db, "ALTER TABLE files ADD COLUMN ctime_ns INTEGER NOT NULL DEFAULT 0",
                                                nullptr, nullptr, nullptr) != SQLITE_OK)) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      return damaged();
    }
    exec(("PRAGMA user_version=" + std::to_string(kFormatVersion)).c_str());
    exec("COMMIT");
  }
  if (sqlite3_exec(db, "SELECT count(*) FROM folders", nullptr, nullptr, nullptr) != SQLITE_OK) return damaged();
  return true;
}

bool LibraryCache::Impl::filesHave(const char* column) {
  sqlite3_stmt* stmt = nullptr;
  bool found = false;
  if (sqlite3_prepare_v2(db, "SELECT 1 FROM pragma_table_info('files') WHERE name = ?", -1, &stmt, nullptr) ==
      SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, column, -1, SQLITE_STATIC);
    found = sqlite3_step(stmt) == SQLITE_ROW;
  }
  sqlite3_finalize(stmt);
  return found;
}

bool LibraryCache::Impl::damaged() {
  const int code = sqlite3_errcode(db) & 0xFF;
  if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT || code == SQLITE_ERROR) return false;
  fail("cannot be read");
}

void LibraryCache::Impl::prepare() {
  auto make = [this](const char* sql) {
    Statement statement(db, sql);
    if (!statement) fail("cannot be read");
    return statement;
  };
  select_files =
      make("SELECT path, size, mtime_ns, record IS NOT NULL, ctime_ns FROM files WHERE path >= ? AND path < ?");
  select_tracks =
      make("SELECT path, size, mtime_ns, record FROM files WHERE path >= ? AND path < ? AND record IS NOT NULL");
  put_file = make("INSERT OR REPLACE INTO files(path, size, mtime_ns, record, ctime_ns) VALUES(?, ?, ?, ?, ?)");
  put_ctime = make("UPDATE files SET ctime_ns = ? WHERE path = ?");
  select_record = make("SELECT record FROM files WHERE path = ?");
  remove_file = make("DELETE FROM files WHERE path = ?");
  select_folder = make("SELECT available FROM folders WHERE path = ?");
  put_folder = make("INSERT OR REPLACE INTO folders(path, available) VALUES(?, ?)");
  select_unavailable = make("SELECT path FROM folders WHERE path >= ? AND path < ? AND available = 0 ORDER BY path");
  remove_folder = make("DELETE FROM folders WHERE path = ?");
  count_up = make("UPDATE state SET generation = generation + 1");
  select_snapshot = make("SELECT times, snapshots.rowid FROM snapshots JOIN state USING (generation) WHERE folder = ?");
  snapshot_current = make("SELECT 1 FROM snapshots JOIN state USING (generation) WHERE folder = ?");
  drop_snapshots = make("DELETE FROM snapshots WHERE generation <> (SELECT generation FROM state)");
  put_snapshot = make(
      "INSERT OR REPLACE INTO snapshots(folder, generation, times, image)"
      " SELECT ?, generation, ?, ? FROM state");
  select_walked = make(
      "SELECT path, mtime_ns, ctime_ns, inode FROM walked_folders WHERE path = ?3 OR (path >= ?1 AND path < ?2)"
      " ORDER BY path");
  put_walked = make("INSERT OR REPLACE INTO walked_folders(path, mtime_ns, ctime_ns, inode) VALUES(?, ?, ?, ?)");
  remove_walked = make("DELETE FROM walked_folders WHERE path = ?");
}

// Moves the file out of the way as library.db.damaged, so that the cache
// starts afresh, and says so. The name is the next free one of
// library.db.damaged.2, .3 ... when that one is taken by something a
// rename cannot replace (a folder that is not empty, or a file where a
// folder goes). Throws DataError when it cannot be moved: nothing else
// may be done with it then.
void LibraryCache::Impl::setAside(const std::string& problem) {
  constexpr int kNames = 10;
  std::error_code ec;
  std::filesystem::path aside;
  for (int n = 1; n <= kNames; ++n) {
    aside = file;
    aside += n == 1 ? std::string(".damaged") : ".damaged." + std::to_string(n);
    std::filesystem::rename(file, aside, ec);
    if (ec != std::errc::directory_not_empty && ec != std::errc::file_exists && ec != std::errc::is_a_directory &&
        ec != std::errc::not_a_directory) {
      break;
    }
  }
  if (ec) {
    throw profile::DataError("The library cache " + file.string() + " " + problem + ", and it cannot be moved to " +
                             aside.string() + ": " + ec.message() + ". Move it away to read the music folders.");
  }
  for (const char* suffix : {"-wal", "-shm"}) {
    std::filesystem::path extra = file;
    extra += suffix;
    std::filesystem::remove(extra, ec);
  }
  notices.push_back("The library cache " + file.string() + " " + problem + "; it was moved to " + aside.string() +
                    " and the music folders are read again.");
}

LibraryCache::LibraryCache(const std::filesystem::path& profile_dir) : impl_(std::make_unique<Impl>()) {
  impl_->file = profile_dir / kFileName;
  std::error_code ec;
  std::filesystem::create_directories(profile_dir, ec);
  // SQLite cannot open a folder, and would wait on a pipe for ever: either
  // is set aside before it is tried, as a damaged cache is after.
  if (const std::string problem = notAFile(impl_->file); !problem.empty()) impl_->setAside(problem);
  if (!impl_->open()) {
    sqlite3_close_v2(impl_->db);
    impl_->db = nullptr;
    impl_->setAside("could not be read");
    if (!impl_->open()) impl_->fail("cannot be made");
  }
  impl_->prepare();
}

LibraryCache::~LibraryCache() = default;
LibraryCache::LibraryCache(LibraryCache&&) noexcept = default;
LibraryCache& LibraryCache::operator=(LibraryCache&&) noexcept = default;

const std::filesystem::path& LibraryCache::file() const { return impl_->file; }

std::vector<std::string> LibraryCache::takeNotices() { return std::exchange(impl_->notices, {}); }

void LibraryCache::FileRows::add(std::string_view path, const FileState& state) {
  constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
  if (path.size() > left_) {
    left_ = std::max(kBlockBytes, path.size());
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(left_));
    next_ = blocks_.back().get();
  }
  std::copy(path.begin(), path.end(), next_);
  rows_.push_back({std::string_view(next_, path.size()), state});
  next_ += path.size();
  left_ -= path.size();
}

LibraryCache::FileRows LibraryCache::filesBelow(std::string_view folder_uri) {
  sqlite3_stmt* stmt = impl_->select_files.get();
  const ResetAtEnd reset{stmt};
  const std::string low = lowerBound(folder_uri), high = upperBound(folder_uri);
  bindText(stmt, 1, low);
  bindText(stmt, 2, high);
  FileRows files;
  int step;
  while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
    FileState state;
    state.size = static_cast<uint64_t>(sqlite3_column_int64(stmt, 1));
    state.mtime_ns = sqlite3_column_int64(stmt, 2);
    state.track = sqlite3_column_int(stmt, 3) != 0;
    state.ctime_ns = sqlite3_column_int64(stmt, 4);
    files.add(columnText(stmt, 0), state);
  }
  if (step != SQLITE_DONE) impl_->fail("cannot be read");
  return files;
}

LibraryCache::WalkedFolders LibraryCache::foldersWalked(std::string_view folder_uri) {
  sqlite3_stmt* stmt = impl_->select_walked.get();
  const ResetAtEnd reset{stmt};
  const std::string low = lowerBound(folder_uri), high = upperBound(folder_uri);
  bindText(stmt, 1, low);
  bindText(stmt, 2, high);
  bindText(stmt, 3, folder_uri);
  WalkedFolders folders;
  int step;
  while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
    FolderStamp stamp;
    stamp.mtime_ns = sqlite3_column_int64(stmt, 1);
    stamp.ctime_ns = sqlite3_column_int64(stmt, 2);
    stamp.inode = static_cast<uint64_t>(sqlite3_column_int64(stmt, 3));
    folders.emplace_back(std::string(columnText(stmt, 0)), stamp);
  }
  if (step != SQLITE_DONE) impl_->fail("cannot be read");
  return folders;
}

void LibraryCache::loadTracks(std::string_view folder_uri, host::TrackList& tracks) {
  if (impl_->loadSnapshot(folder_uri, tracks)) return;
  sqlite3_stmt* stmt = impl_->select_tracks.get();
  GroupDecoder decoder;
  const std::string low = lowerBound(folder_uri), high = upperBound(folder_uri);
  {
    const ResetAtEnd reset{stmt};
    bindText(stmt, 1, low);
    bindText(stmt, 2, high);
    // Rows and known tracks are both in location order.
    auto [known, known_end] = impl_->knownRange(low, high);
    RowGroup group = decoder.next();
    int step;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
      const std::string_view path = columnText(stmt, 0);
      RowGroup::Row& row = group.rows.emplace_back();
      row.size = static_cast<uint64_t>(sqlite3_column_int64(stmt, 1));
      row.mtime_ns = sqlite3_column_int64(stmt, 2);
      while (known < known_end && impl_->known[known].path < path) ++known;
      if (known < known_end && impl_->known[known].path == path && !impl_->known[known].stale &&
          impl_->known[known].size == row.size && impl_->known[known].mtime_ns == row.mtime_ns) {
        row.track = impl_->known[known].track;
      } else {
        const auto* record = static_cast<const char*>(sqlite3_column_blob(stmt, 3));
        const auto record_size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 3));
        row.path_at = static_cast<uint32_t>(group.bytes.size());
        row.path_size = static_cast<uint32_t>(path.size());
        group.bytes.append(path);
        row.record_at = static_cast<uint32_t>(group.bytes.size());
        row.record_size = static_cast<uint32_t>(record_size);
        group.bytes.append(record, record_size);
      }
      if (group.rows.size() == GroupDecoder::kGroupRows) decoder.add(std::exchange(group, decoder.next()));
    }
    if (step != SQLITE_DONE) impl_->fail("cannot be read");
    if (!group.rows.empty()) decoder.add(std::move(group));
  }
  std::deque<RowGroup>& groups = decoder.finish();
  std::size_t rows = 0;
  for (const RowGroup& group : groups) rows += group.rows.size();
  std::vector<Impl::Known> known;
  known.reserve(rows);
  tracks.reserve(tracks.size() + rows);
  for (RowGroup& group : groups) {
    for (RowGroup::Row& row : group.rows) {
      if (!row.track) continue;
      known.push_back({row.track, row.size, row.mtime_ns, row.track->path()});
      tracks.push_back(std::move(row.track));
    }
  }
  impl_->replaceKnown(low, high, std::move(known));
}

host::TrackHandle LibraryCache::knownTrack(std::string_view uri, const FileState& state) const {
  const auto it = std::lower_bound(impl_->known.begin(), impl_->known.end(), uri,
                                   [](const Impl::Known& entry, std::string_view path) { return entry.path < path; });
  if (it == impl_->known.end() || it->path != uri || it->stale || it->size != state.size ||
      it->mtime_ns != state.mtime_ns) {
    return nullptr;
  }
  return it->track;
}

bool LibraryCache::knowsTracksBelow(std::string_view folder_uri) const {
  const auto [first, last] = impl_->knownRange(lowerBound(folder_uri), upperBound(folder_uri));
  return first != last;
}

void LibraryCache::rememberTracks(std::string_view folder_uri,
                                  std::vector<std::pair<host::TrackHandle, FileState>> tracks) {
  std::vector<Impl::Known> known;
  known.reserve(tracks.size());
  for (auto& [track, state] : tracks) {
    const std::string_view path = track->path();
    known.push_back({std::move(track), state.size, state.mtime_ns, path});
  }
  impl_->replaceKnown(lowerBound(folder_uri), upperBound(folder_uri), std::move(known));
}

void LibraryCache::begin() {
  impl_->exec("BEGIN IMMEDIATE");
  impl_->counted = false;
}
void LibraryCache::commit() {
  impl_->exec("COMMIT");
  impl_->counted = false;
}
void LibraryCache::rollback() {
  if (!sqlite3_get_autocommit(impl_->db)) sqlite3_exec(impl_->db, "ROLLBACK", nullptr, nullptr, nullptr);
  impl_->counted = false;
}

void LibraryCache::putFile(std::string_view uri, const FileState& state, std::string_view record) {
  impl_->forget(uri);
  impl_->changing();
  sqlite3_stmt* stmt = impl_->put_file.get();
  bindText(stmt, 1, uri);
  sqlite3_bind_int64(stmt, 2, static_cast<sqlite3_int64>(state.size));
  sqlite3_bind_int64(stmt, 3, state.mtime_ns);
  if (state.track) {
    sqlite3_bind_blob(stmt, 4, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
  } else {
    sqlite3_bind_null(stmt, 4);
  }
  sqlite3_bind_int64(stmt, 5, state.ctime_ns);
  impl_->step(stmt, "cannot be written");
}

void LibraryCache::putFileCtime(std::string_view uri, int64_t ctime_ns) {
  // The track stays as it was: no snapshot turns stale.
  sqlite3_stmt* stmt = impl_->put_ctime.get();
  sqlite3_bind_int64(stmt, 1, ctime_ns);
  bindText(stmt, 2, uri);
  impl_->step(stmt, "cannot be written");
}

void LibraryCache::putFolderWalked(std::string_view folder_uri, const FolderStamp& stamp) {
  sqlite3_stmt* stmt = impl_->put_walked.get();
  bindText(stmt, 1, folder_uri);
  sqlite3_bind_int64(stmt, 2, stamp.mtime_ns);
  sqlite3_bind_int64(stmt, 3, stamp.ctime_ns);
  sqlite3_bind_int64(stmt, 4, static_cast<sqlite3_int64>(stamp.inode));
  impl_->step(stmt, "cannot be written");
}

void LibraryCache::removeFolderWalked(std::string_view folder_uri) {
  sqlite3_stmt* stmt = impl_->remove_walked.get();
  bindText(stmt, 1, folder_uri);
  impl_->step(stmt, "cannot be written");
}

std::optional<std::string> LibraryCache::fileRecord(std::string_view uri) {
  sqlite3_stmt* stmt = impl_->select_record.get();
  const ResetAtEnd reset{stmt};
  bindText(stmt, 1, uri);
  const int step = sqlite3_step(stmt);
  if (step == SQLITE_DONE) return std::nullopt;
  if (step != SQLITE_ROW) impl_->fail("cannot be read");
  const auto* record = static_cast<const char*>(sqlite3_column_blob(stmt, 0));
  return record != nullptr ? std::string(record, static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)))
                           : std::string();
}

void LibraryCache::removeFile(std::string_view uri) {
  impl_->forget(uri);
  impl_->changing();
  sqlite3_stmt* stmt = impl_->remove_file.get();
  bindText(stmt, 1, uri);
  impl_->step(stmt, "cannot be written");
}

bool LibraryCache::folderWasAvailable(std::string_view folder_uri) {
  sqlite3_stmt* stmt = impl_->select_folder.get();
  const ResetAtEnd reset{stmt};
  bindText(stmt, 1, folder_uri);
  const int step = sqlite3_step(stmt);
  if (step == SQLITE_ROW) return sqlite3_column_int(stmt, 0) != 0;
  if (step != SQLITE_DONE) impl_->fail("cannot be read");
  return true;
}

void LibraryCache::setFolderAvailable(std::string_view folder_uri, bool available) {
  sqlite3_stmt* stmt = impl_->put_folder.get();
  bindText(stmt, 1, folder_uri);
  sqlite3_bind_int(stmt, 2, available ? 1 : 0);
  impl_->step(stmt, "cannot be written");
}

std::vector<std::string> LibraryCache::unavailableFoldersBelow(std::string_view folder_uri) {
  sqlite3_stmt* stmt = impl_->select_unavailable.get();
  const ResetAtEnd reset{stmt};
  const std::string low = lowerBound(folder_uri), high = upperBound(folder_uri);
  bindText(stmt, 1, low);
  bindText(stmt, 2, high);
  std::vector<std::string> folders;
  int step;
  while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
    folders.emplace_back(columnText(stmt, 0));
  }
  if (step != SQLITE_DONE) impl_->fail("cannot be read");
  return folders;
}

void LibraryCache::forgetFolder(std::string_view folder_uri) {
  sqlite3_stmt* stmt = impl_->remove_folder.get();
  bindText(stmt, 1, folder_uri);
  impl_->step(stmt, "cannot be written");
}

}  // namespace library
