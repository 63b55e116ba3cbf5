// Listing a music folder for a scan (library_scan.h): every regular file
// below it with its size, modification and status-change times, and the
// folders that could not be listed.
//
//   std::vector<FoundFile> files;
//   FolderWalk walk(files, &cancel);
//   if (int error = walk.run("/music", 4); error != 0) ... not opened ...
//   for (const FolderWalk::Unlisted& folder : walk.unlisted()) ...
//
// The walk enters folders, but not through symbolic links to folders
// (which may loop); a link to a file counts as the file. Given what the
// cache knew of the folders (KnownFolders), it lists only those whose
// stamp moved since the last scan, and stats the files of the others by
// the names the cache knows (see LibraryCache::FolderStamp). It uses the
// system's calls rather than std::filesystem: a rescan of a large folder is
// mostly this walk, and stating each entry relative to its open folder
// spares the lookup of its whole path.
#ifndef VOSTREL_LIBRARY_FOLDER_WALK_H_
#define VOSTREL_LIBRARY_FOLDER_WALK_H_

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/library_cache.h"

struct stat;

namespace library {

struct FoundFile {
  std::string uri;
  LibraryCache::FileState state;  // size and times; track is for the scan
  bool known = false;             // for the scan: in the cache with another size or time
  // For the scan: in the cache with the same size and modification time,
  // read again because its status-change time moved or could not tell.
  bool recheck = false;
};

// Where the locations below the folder whose URI is `uri` begin: the URI
// with a slash (the root folder's has one). All locations below a folder
// begin so, and follow this text side by side.
std::string locationsBelow(std::string_view uri);

// What the cache knew of the folders a scan walked last time: the stamp
// each had and the files and folders in it. The walk marks the files it
// finds as the cache holds them in `same` rather than adding them to its
// list.
class KnownFolders {
 public:
  using Files = LibraryCache::FileRows;
  // The cache's files and walked folders below a music folder, by
  // location; both must outlive this.
  KnownFolders(const Files& files, const LibraryCache::WalkedFolders& folders);

  struct Folder {
    LibraryCache::FolderStamp stamp;
    std::vector<std::size_t> files;  // indexes in the files given
    std::vector<std::string_view> folders;
  };
  const Folder* find(std::string_view uri) const;
  const Files& files() const { return files_; }
  // By index of the files given: 1 where the walk found the file with the
  // size and times its row holds. Walks on several threads set elements of
  // their own folders.
  std::vector<unsigned char>& same() { return same_; }

 private:
  const Files& files_;
  std::unordered_map<std::string_view, Folder> folders_;
  std::vector<unsigned char> same_;
};

class FolderWalk {
 public:
  // A folder the walk entered, with its stamp as it found it (kListAgain
  // when it could not be stated).
  struct Walked {
    std::string uri;
    LibraryCache::FolderStamp stamp;
    bool listed = true;  // false: stamped as known, its entries taken from the cache
    // Listed in full (or stated as known), and held only files and
    // folders: no link or other entry whose change its own times would
    // not show.
    bool plain = true;
  };

  // A folder that could not be listed, or only in part: no permission to
  // read or search it, a disk error.
  struct Unlisted {
    std::string below;  // see locationsBelow()
    int error;          // errno
  };

  // The walk adds what it finds to `files`, and stops soon once `cancel`
  // (when given) becomes true.
  // `known`, when given, must outlive the walk.
  FolderWalk(std::vector<FoundFile>& files, const std::atomic<bool>* cancel, KnownFolders* known = nullptr)
      : files_(files), cancel_(cancel), known_(known) {}

  // Lists every file below `folder`, the subfolders of `folder` on
  // `threads` threads; returns the error of opening `folder` itself, 0
  // when it opened.
  int run(const std::filesystem::path& folder, std::size_t threads);

  // Whether the walk was cancelled before it was done: then files may be
  // missing anywhere.
  bool cancelled() const { return cancelled_; }
  // The folders that could not be listed, by location, none below another.
  const std::vector<Unlisted>& unlisted() const { return unlisted_; }
  // Whether the location `uri` lies below one of them.
  bool belowUnlisted(std::string_view uri) const;
  // The folders entered (or that could not be), in no order.
  std::vector<Walked>& walked() { return walked_; }

 private:
  struct Deferred {
    std::string name;
    unsigned char type;
  };

  void walk(int fd, const std::string& uri);
  bool takeKnown(int fd, const std::string& uri, const LibraryCache::FolderStamp& stamp);
  bool take(int dir, const char* name, unsigned char type, const std::string& uri);
  bool refused(int dir, const char* name, int error, const std::string& uri);
  void addFile(std::string uri, const struct stat& info);

  std::vector<FoundFile>& files_;
  const std::atomic<bool>* cancel_;
  KnownFolders* known_;
  bool cancelled_ = false;
  bool defer_ = false;  // the subfolders are listed later, in parallel
  std::vector<Deferred> deferred_;
  std::vector<Unlisted> unlisted_;
  std::vector<Walked> walked_;
  std::string child_;  // the URI of the entry being taken
  std::string name_;   // the name of a known entry being stated
  static constexpr std::size_t kListBytes = 32 * 1024;
  std::vector<std::unique_ptr<char[]>> buffers_;  // for listing, one per level of folders being listed
  std::size_t depth_ = 0;
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_FOLDER_WALK_H_
