// LibraryCache: the profile's library.db, which keeps what scans of the
// music folders found, so that a start reads tracks from it instead of
// reading every file's tags again.
//
// One row per file: its location (a file URI, see file_uri.h), size,
// modification and status-change times in nanoseconds, and the track
// record in a compact form (see track_record.h), or none for a file that is
// not a track. A second
// table remembers which music folders were available at the last scan.
// A third keeps, per music folder, a snapshot of its tracks as they were
// built (see keepSnapshot), so that a start copies them in one piece. A
// fourth keeps the folders the last scan walked, with their times as it
// found them (see FolderStamp).
// The file is an SQLite database in WAL mode; every change is written in a
// transaction, so that a process killed in the middle leaves the rows of
// the last commit. A file that is not such a database, or is damaged, is a
// cache only: it is set aside as library.db.damaged and started afresh,
// which a notice says; so is a folder or a pipe in its place. (The name is
// library.db.damaged.2 ... when one that cannot be replaced is there.)
//
// A cache is one connection: use it from one thread at a time. Several
// caches (threads, processes) may open the same file; a writer waits up to
// a minute for another one to finish.
#ifndef VOSTREL_LIBRARY_LIBRARY_CACHE_H_
#define VOSTREL_LIBRARY_LIBRARY_CACHE_H_

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/track.h"

namespace library {

class LibraryCache {
 public:
  static constexpr std::string_view kFileName = "library.db";

  // Opens `profile_dir`/library.db, creating both when missing. Throws
  // DataError naming the file when it cannot be opened or made, or cannot
  // be set aside when it has to be.
  explicit LibraryCache(const std::filesystem::path& profile_dir);
  ~LibraryCache();
  LibraryCache(LibraryCache&&) noexcept;
  LibraryCache& operator=(LibraryCache&&) noexcept;

  const std::filesystem::path& file() const;
  // What opening had to say (a damaged cache started afresh); each notice
  // is handed out once.
  std::vector<std::string> takeNotices();

  // What the cache knows of a file.
  struct FileState {
    uint64_t size = 0;
    int64_t mtime_ns = 0;
    bool track = false;  // false: not a track (unreadable)
    // The status-change time, which every write of the file moves on,
    // even one that puts its modification time back. 0: not known (the
    // row was written before it was kept); kCtimeRecent: the file changed
    // too shortly before it was read for the time to tell a later change.
    int64_t ctime_ns = 0;
  };
  static constexpr int64_t kCtimeRecent = -1;
  // Files by location, each with its state. The locations lie end to end
  // in large blocks: a few hundred thousand of them take a few allocations.
  class FileRows {
   public:
    FileRows() = default;
    FileRows(const FileRows&) = delete;
    FileRows& operator=(const FileRows&) = delete;
    FileRows(FileRows&&) noexcept = default;
    FileRows& operator=(FileRows&&) noexcept = default;

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    std::string_view path(std::size_t i) const { return rows_[i].path; }
    const FileState& state(std::size_t i) const { return rows_[i].state; }
    void add(std::string_view path, const FileState& state);

   private:
    struct Row {
      std::string_view path;
      FileState state;
    };
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;  // the free end of the last block
    std::size_t left_ = 0;  // and its size
    std::deque<Row> rows_;  // grows without moving what it holds
  };
  // The files cached below the folder whose URI is `folder_uri` (no
  // trailing slash), by location.
  FileRows filesBelow(std::string_view folder_uri);
  // Appends the tracks cached below `folder_uri` to `tracks`, by location.
  // Tracks this cache gave out before, whose rows are as they were, are
  // handed out again rather than decoded anew (so keep one cache for a
  // session's rescans).
  void loadTracks(std::string_view folder_uri, host::TrackList& tracks);
  // The track this cache last gave out or was told of for `uri`, when its
  // row still has `state`'s size and time; else nullptr.
  host::TrackHandle knownTrack(std::string_view uri, const FileState& state) const;
  // Whether this cache gave out or was told of any track below
  // `folder_uri`: false until a load or a scan of the folder.
  bool knowsTracksBelow(std::string_view folder_uri) const;
  // Tells the cache of the tracks below `folder_uri` as a scan left them,
  // in location order, each with its file's state.
  void rememberTracks(std::string_view folder_uri, std::vector<std::pair<host::TrackHandle, FileState>> tracks);

  // A folder as a scan found it just before it listed it: its
  // modification and status-change times and its inode. Adding, removing
  // or renaming an entry moves both times, so a folder whose stamp is as
  // recorded holds the entries it held then, and a scan stats them by the
  // names the cache knows instead of listing it again.
  struct FolderStamp {
    int64_t mtime_ns = 0;
    int64_t ctime_ns = kListAgain;
    uint64_t inode = 0;
    bool operator==(const FolderStamp&) const = default;
  };
  // The status-change time of a folder that the next scan lists whatever
  // its times: they were too recent to tell a later change, or it holds
  // what stating known names would miss (a link, a file without a row, a
  // folder that could not be listed).
  static constexpr int64_t kListAgain = -1;
  using WalkedFolders = std::vector<std::pair<std::string, FolderStamp>>;
  // The folders the last scan that got through walked at and below
  // `folder_uri` (no trailing slash), by location.
  WalkedFolders foldersWalked(std::string_view folder_uri);

  // Keeps the tracks below `folder_uri` that this cache last gave out or
  // was told of, as they are in its rows, as one snapshot that the next
  // loadTracks() takes instead of decoding the rows; nothing when the
  // snapshot is current already. Any change of a file makes the snapshots
  // taken before it stale; a stale or damaged one is passed over. False
  // when none was taken: the tracks at hand are not those of the rows
  // (another process wrote since), or the file cannot be written.
  bool keepSnapshot(std::string_view folder_uri);

  // Changes go between begin() and commit(); a cache destroyed or rolled
  // back before commit() keeps none of them. Every call below throws
  // DataError when the file cannot be written.
  void begin();
  void commit();
  void rollback();
  // Stores a file: `record` is its track in the compact form, empty for a
  // file that is not a track.
  void putFile(std::string_view uri, const FileState& state, std::string_view record);
  void removeFile(std::string_view uri);
  // Sets the status-change time of a file whose row is otherwise current;
  // the snapshots stay current.
  void putFileCtime(std::string_view uri, int64_t ctime_ns);
  // Records a folder a scan walked, or forgets it. The snapshots stay
  // current.
  void putFolderWalked(std::string_view folder_uri, const FolderStamp& stamp);
  void removeFolderWalked(std::string_view folder_uri);
  // The record stored for `uri` (empty for a file that is not a track), or
  // nullopt when the cache has no row for it.
  std::optional<std::string> fileRecord(std::string_view uri);
  // Whether the folder was available at its last scan (true when never
  // scanned), and recording it. A scan records music folders, and the
  // folders below them that it could not list.
  bool folderWasAvailable(std::string_view folder_uri);
  void setFolderAvailable(std::string_view folder_uri, bool available);
  // The folders below `folder_uri` recorded as unavailable, by location.
  std::vector<std::string> unavailableFoldersBelow(std::string_view folder_uri);
  // Drops what is recorded of the folder: it is available, as one never
  // scanned is.
  void forgetFolder(std::string_view folder_uri);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_LIBRARY_CACHE_H_
