// Listing a music folder; see folder_walk.h.
#include "library/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "library/file_uri.h"

namespace library {

namespace {

int64_t nanoseconds(const timespec& time) { return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec; }

LibraryCache::FolderStamp stampOf(const struct stat& info) {
  return {nanoseconds(info.st_mtim), nanoseconds(info.st_ctim), static_cast<uint64_t>(info.st_ino)};
}

std::string_view belowOf(const FolderWalk::Unlisted& folder) { return folder.below; }
std::string_view belowOf(const std::string& below) { return below; }

// The URI of the folder that holds the location `uri`.
std::string_view parentOf(std::string_view uri) {
  const std::size_t slash = uri.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : uri.substr(0, slash);
}

}  // namespace

std::string locationsBelow(std::string_view uri) {
  return uri.ends_with('/') ? std::string(uri) : std::string(uri) + '/';
}

KnownFolders::KnownFolders(const Files& files, const LibraryCache::WalkedFolders& folders)
    : files_(files), same_(files.size()) {
  folders_.reserve(folders.size());
  for (const auto& [uri, stamp] : folders) folders_[uri].stamp = stamp;
  for (const auto& [uri, stamp] : folders) {
    if (const auto it = folders_.find(parentOf(uri)); it != folders_.end()) it->second.folders.push_back(uri);
  }
  // The files of a folder mostly follow one another: its entry is looked
  // up once per run of them.
  std::string_view parent;
  Folder* folder = nullptr;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (const std::string_view holder = parentOf(files.path(i)); holder != parent || i == 0) {
      parent = holder;
      const auto it = folders_.find(holder);
      folder = it != folders_.end() ? &it->second : nullptr;
    }
    if (folder != nullptr) folder->files.push_back(i);
  }
}

const KnownFolders::Folder* KnownFolders::find(std::string_view uri) const {
  const auto it = folders_.find(uri);
  return it != folders_.end() ? &it->second : nullptr;
}

int FolderWalk::run(const std::filesystem::path& folder, std::size_t threads) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  // The subfolders are opened later by name, from a copy of this
  // descriptor: holding one descriptor each would run out of them in a
  // folder of a few thousand.
  const int top = threads > 1 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
  const std::string uri = fileUri(folder);
  defer_ = top >= 0;
  walk(fd, uri);
  defer_ = false;
  const bool searchable = std::none_of(unlisted_.begin(), unlisted_.end(),
                                       [&](const Unlisted& folder) { return folder.below == locationsBelow(uri); });
  if (!deferred_.empty() && searchable && !cancelled_) {
    std::vector<std::vector<FoundFile>> found(std::min(threads, deferred_.size()));
    std::vector<FolderWalk> parts;
    parts.reserve(found.size());
    for (auto& files : found) parts.emplace_back(files, cancel_, known_);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> pool;
    for (FolderWalk& part : parts) {
      pool.emplace_back([&, top] {
        for (std::size_t i; (i = next.fetch_add(1)) < deferred_.size();) {
          if (!part.take(top, deferred_[i].name.c_str(), deferred_[i].type, uri)) break;
        }
      });
    }
    for (std::thread& thread : pool) thread.join();
    for (std::size_t t = 0; t < parts.size(); ++t) {
      cancelled_ = cancelled_ || parts[t].cancelled_;
      unlisted_.insert(unlisted_.end(), parts[t].unlisted_.begin(), parts[t].unlisted_.end());
      walked_.insert(walked_.end(), std::make_move_iterator(parts[t].walked_.begin()),
                     std::make_move_iterator(parts[t].walked_.end()));
      files_.insert(files_.end(), std::make_move_iterator(found[t].begin()), std::make_move_iterator(found[t].end()));
    }
  }
  if (top >= 0) ::close(top);
  // A folder listed in part is to be listed again, whatever its times.
  std::sort(unlisted_.begin(), unlisted_.end(), [](const Unlisted& a, const Unlisted& b) { return a.below < b.below; });
  if (!unlisted_.empty()) {
    for (Walked& folder : walked_) {
      const std::string below = locationsBelow(folder.uri);
      folder.plain =
          folder.plain && !std::binary_search(unlisted_.begin(), unlisted_.end(), below,
                                              [](const auto& a, const auto& b) { return belowOf(a) < belowOf(b); });
    }
  }
  // By location, each once, none below another (a folder listed in part
  // may hold a subfolder that was refused too). The locations below a
  // folder follow it side by side.
  std::vector<Unlisted> outermost;
  for (Unlisted& folder : unlisted_) {
    if (outermost.empty() || !folder.below.starts_with(outermost.back().below)) {
      outermost.push_back(std::move(folder));
    }
  }
  unlisted_ = std::move(outermost);
  return 0;
}

bool FolderWalk::belowUnlisted(std::string_view uri) const {
  // The last one before it is the only one it can lie below.
  auto after = std::upper_bound(unlisted_.begin(), unlisted_.end(), uri,
                                [](std::string_view uri, const Unlisted& folder) { return uri < folder.below; });
  return after != unlisted_.begin() && uri.starts_with((after - 1)->below);
}

// Lists the folder open as `fd` (and closes it), whose URI is `uri`.
// The entries are read straight from the descriptor rather than through a
// DIR, whose opening checks the descriptor again with three more calls per
// folder.
void FolderWalk::walk(int fd, const std::string& uri) {
  // Stated before it is listed: an entry added or removed while it is
  // listed moves its times on from those recorded.
  const std::size_t self = walked_.size();
  walked_.emplace_back().uri = uri;
  struct stat info {};
  if (::fstat(fd, &info) == 0) walked_[self].stamp = stampOf(info);
  if (takeKnown(fd, uri, LibraryCache::FolderStamp(walked_[self].stamp))) {
    walked_[self].listed = false;
    ::close(fd);
    return;
  }
  // One buffer per level: the subfolders are listed while this one is.
  if (buffers_.size() <= depth_) buffers_.push_back(std::make_unique<char[]>(kListBytes));
  char* const buffer = buffers_[depth_].get();
  ++depth_;
  for (bool done = false; !done;) {
    const ssize_t got = ::getdents64(fd, buffer, kListBytes);
    if (got <= 0) {
      if (got < 0) unlisted_.push_back({locationsBelow(uri), errno});
      break;
    }
    for (ssize_t at = 0; at < got && !done;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
      if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) {
        cancelled_ = true;
        done = true;
        break;
      }
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (entry->d_type != DT_REG && entry->d_type != DT_DIR) walked_[self].plain = false;
      if (defer_ && (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN)) {
        deferred_.push_back({entry->d_name, entry->d_type});
        continue;
      }
      done = !take(fd, entry->d_name, entry->d_type, uri);
    }
  }
  --depth_;
  ::close(fd);
}

// Takes the entry `name` of type `type` (as listed) of the folder open as
// `dir`, whose URI is `uri`: a file, or a folder to list. False when no
// entry of that folder can be reached (it went to unlisted_).
bool FolderWalk::take(int dir, const char* name, unsigned char type, const std::string& uri) {
  child_ = uri;
  if (!child_.ends_with('/')) child_ += '/';  // the root folder's URI ends in one
  appendUriPath(child_, name);
  if (type == DT_DIR || type == DT_UNKNOWN) {
    const int sub = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) {
      walk(sub, std::string(child_));
      return true;
    }
    // Not a folder after all: a link, or a file whose type was not listed.
    if (errno != ENOTDIR && errno != ELOOP) return refused(dir, name, errno, uri);
  }
  struct stat info {};
  if (::fstatat(dir, name, &info, 0) != 0) return refused(dir, name, errno, uri);
  if (S_ISREG(info.st_mode)) addFile(std::string(child_), info);
  return true;
}

void FolderWalk::addFile(std::string uri, const struct stat& info) {
  FoundFile& file = files_.emplace_back();
  file.uri = std::move(uri);
  file.state.size = static_cast<uint64_t>(info.st_size);
  file.state.mtime_ns = nanoseconds(info.st_mtim);
  file.state.ctime_ns = nanoseconds(info.st_ctim);
}

// Takes the entries of the folder open as `fd`, whose URI is `uri`, from
// the cache when it is known with the stamp `stamp`: stats its files by
// name and enters its folders. False when it has to be listed.
bool FolderWalk::takeKnown(int fd, const std::string& uri, const LibraryCache::FolderStamp& stamp) {
  if (known_ == nullptr || stamp.ctime_ns == LibraryCache::kListAgain) return false;
  const KnownFolders::Folder* folder = known_->find(uri);
  if (folder == nullptr || folder->stamp != stamp) return false;
  auto nameOf = [this](std::string_view location) -> const char* {
    const std::string_view name = location.substr(location.rfind('/') + 1);
    if (name.find('%') == std::string_view::npos) {
      name_.assign(name);
    } else {
      name_.clear();
      appendUriDecoded(name_, name);
    }
    return name_.c_str();
  };
  const std::size_t first = files_.size();
  std::vector<unsigned char>& same = known_->same();
  for (const std::size_t index : folder->files) {
    if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) {
      cancelled_ = true;
      return true;
    }
    const std::string_view file = known_->files().path(index);
    const LibraryCache::FileState& cached = known_->files().state(index);
    struct stat info {};
    if (::fstatat(fd, nameOf(file), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
      // Gone or replaced since the folder was stated: it is changing now.
      files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(first), files_.end());
      for (const std::size_t marked : folder->files) same[marked] = 0;
      return false;
    }
    // As the row holds it: nothing to compare later. (A status-change time
    // too recent to tell, or not known, is never equal.)
    if (static_cast<uint64_t>(info.st_size) == cached.size && nanoseconds(info.st_mtim) == cached.mtime_ns &&
        nanoseconds(info.st_ctim) == cached.ctime_ns) {
      same[index] = 1;
    } else {
      addFile(std::string(file), info);
    }
  }
  for (const std::string_view subfolder : folder->folders) {
    if (defer_) {
      deferred_.push_back({nameOf(subfolder), DT_DIR});
    } else if (!take(fd, nameOf(subfolder), DT_DIR, uri)) {
      break;
    }
  }
  return true;
}

// The entry `name` of the folder open as `dir` (whose URI is `uri`)
// could not be opened or stated, for `error`; child_ is its URI.
bool FolderWalk::refused(int dir, const char* name, int error, const std::string& uri) {
  if (error == ENOENT) return true;  // gone since it was listed, or a link that leads nowhere
  struct stat entry {};
  if (::fstatat(dir, name, &entry, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return true;
    // Not even the entry itself: the folder cannot be searched.
    unlisted_.push_back({locationsBelow(uri), errno});
    return false;
  }
  if (S_ISDIR(entry.st_mode)) {
    unlisted_.push_back({locationsBelow(child_), error});  // a folder closed to us
    // Known to the cache, so that the folder that holds it, stated as
    // known, still tries it.
    walked_.push_back({child_, {}, true, false});
  } else if (!S_ISLNK(entry.st_mode)) {
    unlisted_.push_back({locationsBelow(uri), error});  // a file the folder holds, unknown: listed in part
  }
  // A link that leads where we cannot go is no file of ours.
  return true;
}

}  // namespace library
