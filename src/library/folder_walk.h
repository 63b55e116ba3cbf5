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
// (which may loop); a link to a file counts as the file. It uses the
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
#include <vector>

#include "library/library_cache.h"

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

class FolderWalk {
 public:
  // A folder that could not be listed, or only in part: no permission to
  // read or search it, a disk error.
  struct Unlisted {
    std::string below;  // see locationsBelow()
    int error;          // errno
  };

  // The walk adds what it finds to `files`, and stops soon once `cancel`
  // (when given) becomes true.
  FolderWalk(std::vector<FoundFile>& files, const std::atomic<bool>* cancel) : files_(files), cancel_(cancel) {}

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

 private:
  struct Deferred {
    std::string name;
    unsigned char type;
  };

  void walk(int fd, const std::string& uri);
  bool take(int dir, const char* name, unsigned char type, const std::string& uri);
  bool refused(int dir, const char* name, int error, const std::string& uri);

  std::vector<FoundFile>& files_;
  const std::atomic<bool>* cancel_;
  bool cancelled_ = false;
  bool defer_ = false;  // the subfolders are listed later, in parallel
  std::vector<Deferred> deferred_;
  std::vector<Unlisted> unlisted_;
  std::string child_;  // the URI of the entry being taken
  static constexpr std::size_t kListBytes = 32 * 1024;
  std::vector<std::unique_ptr<char[]>> buffers_;  // for listing, one per level of folders being listed
  std::size_t depth_ = 0;
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_FOLDER_WALK_H_
