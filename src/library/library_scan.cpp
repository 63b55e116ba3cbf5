// Scanning music folders into the library cache; see library_scan.h.
#include "library/library_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "host/track_builder.h"
#include "library/file_uri.h"
#include "library/tag_reader.h"
#include "library/track_record.h"

namespace library {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Files read between two commits: a killed scan loses at most these.
constexpr std::size_t kBatchFiles = 256;
constexpr auto kBatchTime = std::chrono::milliseconds(500);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
constexpr std::size_t kNotRead = static_cast<std::size_t>(-1);

struct FoundFile {
  std::string uri;
  LibraryCache::FileState state;
  bool known = false;  // in the cache with another size or time
};

// The folders to scan: absolute and normal, each once, none inside another.
std::vector<fs::path> distinctFolders(const std::vector<fs::path>& folders) {
  std::vector<fs::path> result;
  std::vector<std::string> uris;
  for (const fs::path& given : folders) {
    std::error_code ec;
    fs::path folder = fs::absolute(given, ec).lexically_normal();
    if (folder.has_relative_path() && !folder.has_filename()) folder = folder.parent_path();
    result.push_back(folder);
    uris.push_back(fileUri(folder));
  }
  auto inside = [](const std::string& uri, const std::string& folder) {
    return uri == folder || (uri.size() > folder.size() && uri.starts_with(folder) &&
                             (folder.back() == '/' || uri[folder.size()] == '/'));
  };
  std::vector<fs::path> kept;
  for (std::size_t i = 0; i < result.size(); ++i) {
    bool covered = false;
    for (std::size_t j = 0; j < result.size() && !covered; ++j) {
      if (i == j) continue;
      // Of two equal folders the first stays.
      covered = uris[i] == uris[j] ? j < i : inside(uris[i], uris[j]);
    }
    if (!covered) kept.push_back(result[i]);
  }
  return kept;
}

// Lists folders with the system's calls rather than std::filesystem: a
// rescan of a large folder is mostly this walk, and stating each entry
// relative to its open folder spares the lookup of its whole path.
class FolderWalk {
 public:
  FolderWalk(std::vector<FoundFile>& files, const std::atomic<bool>* cancel) : files_(files), cancel_(cancel) {}

  // Every file below `folder`; false when the folder could not be listed
  // completely (then nothing may be taken as gone). The subfolders of
  // `folder` are listed on `threads` threads.
  bool run(const fs::path& folder, std::size_t threads) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    defer_ = threads > 1;
    walk(fd, fileUri(folder));
    defer_ = false;
    if (deferred_.empty()) return complete_;
    std::vector<std::vector<FoundFile>> parts(std::min(threads, deferred_.size()));
    std::vector<char> complete(parts.size(), 1);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < parts.size(); ++t) {
      pool.emplace_back([&, t] {
        FolderWalk part(parts[t], cancel_);
        for (std::size_t i; (i = next.fetch_add(1)) < deferred_.size();) part.walk(deferred_[i].fd, deferred_[i].uri);
        complete[t] = part.complete_;
      });
    }
    for (std::thread& thread : pool) thread.join();
    for (std::size_t t = 0; t < parts.size(); ++t) {
      complete_ = complete_ && complete[t] != 0;
      files_.insert(files_.end(), std::make_move_iterator(parts[t].begin()), std::make_move_iterator(parts[t].end()));
    }
    return complete_;
  }

 private:
  struct Deferred {
    int fd;
    std::string uri;
  };

  // Lists the folder open as `fd` (and closes it), whose URI is `uri`.
  void walk(int fd, const std::string& uri) {
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
      ::close(fd);
      complete_ = false;
      return;
    }
    std::string child;
    for (;;) {
      if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) {
        complete_ = false;
        break;
      }
      errno = 0;
      const dirent* entry = ::readdir(dir);
      if (entry == nullptr) {
        if (errno != 0) complete_ = false;
        break;
      }
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      child = uri;
      if (!child.ends_with('/')) child += '/';  // the root folder's URI ends in one
      appendUriPath(child, name);
      // Folders are entered, but not through symbolic links (which may
      // loop); a link to a file counts as the file.
      if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) {
        const int sub = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0) {
          if (defer_) {
            deferred_.push_back({sub, child});
          } else {
            walk(sub, child);
          }
          continue;
        }
        if (entry->d_type == DT_DIR) {
          complete_ = false;
          continue;
        }
      }
      struct stat info {};
      if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
      FoundFile& file = files_.emplace_back();
      file.uri = child;
      file.state.size = static_cast<uint64_t>(info.st_size);
      file.state.mtime_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    }
    ::closedir(dir);
  }

  std::vector<FoundFile>& files_;
  const std::atomic<bool>* cancel_;
  bool complete_ = true;
  bool defer_ = false;  // subfolders are listed later, in parallel
  std::vector<Deferred> deferred_;
};

int64_t wholeSeconds(int64_t ns) {
  return ns >= 0 ? ns / 1'000'000'000 : -((-ns + 999'999'999) / 1'000'000'000);
}

// Reads the files on a pool of threads; the calling thread stores what
// they read in batches.
class Reader {
 public:
  Reader(LibraryCache& cache, const std::vector<FoundFile*>& files, const ScanOptions& options, ScanProgress& progress)
      : cache_(cache),
        files_(files),
        options_(options),
        progress_(progress),
        results_(files.size()),
        threads_(std::min<std::size_t>(options.threads != 0 ? options.threads : defaultScanThreads(),
                                       std::max<std::size_t>(files.size(), 1))) {}

  // Reads every file (or until cancelled) and counts what each was.
  void run(ScanCounts& counts) {
    if (files_.empty()) return;
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads_; ++t) pool.emplace_back([this] { work(); });
    try {
      store(counts);
    } catch (...) {
      stop_ = true;
      for (std::thread& thread : pool) thread.join();
      cache_.rollback();
      throw;
    }
    for (std::thread& thread : pool) thread.join();
  }

 private:
  struct Result {
    std::string record;
    host::TrackHandle track;
    bool opened = true;  // false: not remembered, so that the next scan tries again
  };

 public:
  // The track file `index` was, once run() is done; nullptr when it is not
  // one or was not read.
  const host::TrackHandle& track(std::size_t index) const { return results_[index].track; }

 private:

  bool cancelled() const {
    return stop_ || (options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed));
  }

  void work() {
    host::TrackBuilder builder;
    for (;;) {
      const std::size_t index = next_.fetch_add(1);
      if (index >= files_.size() || cancelled()) break;
      const FoundFile& file = *files_[index];
      Result& result = results_[index];
      try {
        MusicFileRead read = readMusicFile(uriFilePath(file.uri), file.uri,
                                           {file.state.size, wholeSeconds(file.state.mtime_ns)}, builder);
        result.opened = read.opened;
        if (read.track) {
          result.record = encodeTrackRecord(*read.track);
          result.track = std::move(read.track);
        }
      } catch (const std::exception&) {
        // A file whose tags ask for more memory than there is: not a track.
        builder.clear();
        result = Result();
      }
      std::lock_guard lock(mutex_);
      done_.push_back(index);
      ready_.notify_one();
    }
    std::lock_guard lock(mutex_);
    ++finished_threads_;
    ready_.notify_one();
  }

  void store(ScanCounts& counts) {
    std::vector<std::size_t> batch;
    auto last_commit = Clock::now();
    auto last_progress = Clock::now();
    bool all_done = false;
    while (!all_done) {
      {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, kProgressInterval, [&] { return !done_.empty() || finished_threads_ == threads_; });
        batch.insert(batch.end(), done_.begin(), done_.end());
        done_.clear();
        all_done = finished_threads_ == threads_;
      }
      const auto now = Clock::now();
      if (!batch.empty() && (all_done || batch.size() >= kBatchFiles || now - last_commit >= kBatchTime)) {
        write(batch, counts);
        batch.clear();
        last_commit = now;
      }
      if (options_.progress && (all_done || now - last_progress >= kProgressInterval)) {
        options_.progress(progress_);
        last_progress = now;
      }
    }
  }

  void write(const std::vector<std::size_t>& batch, ScanCounts& counts) {
    cache_.begin();
    for (const std::size_t index : batch) {
      const FoundFile& file = *files_[index];
      Result& result = results_[index];
      if (!result.opened) {
        // What the cache knew of it is stale.
        if (file.known) cache_.removeFile(file.uri);
      } else {
        LibraryCache::FileState state = file.state;
        state.track = result.track != nullptr;
        cache_.putFile(file.uri, state, result.record);
      }
      if (!result.track) {
        ++counts.unreadable;
      } else if (file.known) {
        ++counts.changed;
      } else {
        ++counts.added;
      }
      result.record = std::string();
    }
    cache_.commit();
    progress_.read += batch.size();
  }

  LibraryCache& cache_;
  const std::vector<FoundFile*>& files_;
  const ScanOptions& options_;
  ScanProgress& progress_;
  std::vector<Result> results_;  // by index in files_
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::size_t> done_;  // read, not yet stored
  std::size_t finished_threads_ = 0;
  const std::size_t threads_;
};

// One scan: what each folder holds compared with the cache, the files to
// read, and the library made of both afterwards.
class FolderScan {
 public:
  FolderScan(LibraryCache& cache, const ScanOptions& options, ScanResult& result)
      : cache_(cache),
        options_(options),
        result_(result),
        threads_(options.threads != 0 ? options.threads : defaultScanThreads()) {}

  // Lists `folder` and pairs its files with the cache's rows.
  void plan(const fs::path& folder);
  // Forgets the files that are gone and reads the new and changed ones.
  void run();
  // Appends the folders' tracks to the result's library.
  void collect();
  // Snapshots of the folders' tracks for the next start, where the scan
  // changed them; after collect().
  void keepSnapshots();

 private:
  // A track of a folder once the scan is done: an unchanged one (known to
  // the cache) or one read now.
  struct Slot {
    std::string uri;
    LibraryCache::FileState state;
    std::size_t read = kNotRead;  // index in found_
  };
  struct Plan {
    std::string uri;
    std::vector<Slot> slots;  // in location order
  };

  void keepUnavailable(const fs::path& folder, Plan& plan,
                       std::vector<std::pair<std::string, LibraryCache::FileState>>& cached);
  void setAvailable(const std::string& uri, bool available);

  LibraryCache& cache_;
  const ScanOptions& options_;
  ScanResult& result_;
  const std::size_t threads_;
  ScanProgress progress_;
  std::vector<Plan> plans_;
  std::vector<FoundFile> found_;  // to read
  std::vector<std::string> gone_;
  std::optional<Reader> reader_;
  std::vector<FoundFile*> to_read_;
};

void FolderScan::plan(const fs::path& folder) {
  Plan& plan = plans_.emplace_back();
  plan.uri = fileUri(folder);
  std::vector<FoundFile> files;
  const bool complete = FolderWalk(files, options_.cancel).run(folder, threads_);
  auto cached = cache_.filesBelow(plan.uri);
  std::error_code ec;
  // A folder that is gone, cannot be listed, or is empty where it held
  // files (an unmounted disk leaves its mount point empty) keeps its tracks.
  if ((!complete && !fs::is_directory(folder, ec)) || (complete && files.empty() && !cached.empty())) {
    keepUnavailable(folder, plan, cached);
    return;
  }
  if (!cache_.folderWasAvailable(plan.uri)) {
    result_.notices.push_back("The music folder " + folder.string() + " is available again.");
    setAvailable(plan.uri, true);
  }
  std::sort(files.begin(), files.end(), [](const FoundFile& a, const FoundFile& b) { return a.uri < b.uri; });
  // Both lists are in location order: one pass pairs them. Of a folder
  // not listed completely, files not found are kept.
  ScanCounts& counts = result_.counts;
  std::size_t c = 0;
  auto passCached = [&](auto&& before) {
    for (; c < cached.size() && before(cached[c].first); ++c) {
      if (complete) {
        gone_.push_back(std::move(cached[c].first));
      } else if (cached[c].second.track) {
        ++counts.unchanged;
        plan.slots.push_back({std::move(cached[c].first), cached[c].second});
      }
    }
  };
  for (FoundFile& file : files) {
    passCached([&](const std::string& uri) { return uri < file.uri; });
    if (c < cached.size() && cached[c].first == file.uri) {
      const LibraryCache::FileState& state = cached[c].second;
      ++c;
      if (state.size == file.state.size && state.mtime_ns == file.state.mtime_ns) {
        ++(state.track ? counts.unchanged : counts.unreadable);
        if (state.track) plan.slots.push_back({std::move(file.uri), state});
        continue;
      }
      file.known = true;
    }
    plan.slots.push_back({std::string(), file.state, found_.size()});
    found_.push_back(std::move(file));
  }
  passCached([](const std::string&) { return true; });
  progress_.files += files.size();
}

void FolderScan::keepUnavailable(const fs::path& folder, Plan& plan,
                                 std::vector<std::pair<std::string, LibraryCache::FileState>>& cached) {
  result_.unavailable_folders.push_back(folder.string());
  if (cache_.folderWasAvailable(plan.uri)) {
    result_.notices.push_back("The music folder " + folder.string() +
                              " is unavailable; its tracks stay in the library until it is back.");
    setAvailable(plan.uri, false);
  }
  for (auto& [uri, state] : cached) {
    ++(state.track ? result_.counts.unchanged : result_.counts.unreadable);
    if (state.track) plan.slots.push_back({std::move(uri), state});
  }
}

void FolderScan::setAvailable(const std::string& uri, bool available) {
  cache_.begin();
  cache_.setFolderAvailable(uri, available);
  cache_.commit();
}

void FolderScan::run() {
  for (FoundFile& file : found_) to_read_.push_back(&file);
  progress_.to_read = to_read_.size();
  if (!gone_.empty()) {
    cache_.begin();
    for (const std::string& uri : gone_) cache_.removeFile(uri);
    cache_.commit();
    result_.counts.removed = gone_.size();
  }
  reader_.emplace(cache_, to_read_, options_, progress_);
  reader_->run(result_.counts);
  result_.cancelled = options_.cancel != nullptr && options_.cancel->load();
}

void FolderScan::collect() {
  // From the tracks at hand where the cache still knows every unchanged
  // one, else from the cache's rows.
  for (const Plan& plan : plans_) {
    if (result_.cancelled) {
      cache_.loadTracks(plan.uri, result_.library.tracks);
      continue;
    }
    std::vector<std::pair<host::TrackHandle, LibraryCache::FileState>> tracks;
    tracks.reserve(plan.slots.size());
    bool whole = true;
    for (const Slot& slot : plan.slots) {
      if (slot.read != kNotRead) {
        if (const host::TrackHandle& track = reader_->track(slot.read)) tracks.emplace_back(track, slot.state);
      } else if (host::TrackHandle track = cache_.knownTrack(slot.uri, slot.state)) {
        tracks.emplace_back(std::move(track), slot.state);
      } else {
        whole = false;
        break;
      }
    }
    if (!whole) {
      cache_.loadTracks(plan.uri, result_.library.tracks);
      continue;
    }
    for (const auto& [track, state] : tracks) result_.library.tracks.push_back(track);
    cache_.rememberTracks(plan.uri, std::move(tracks));
  }
}

void FolderScan::keepSnapshots() {
  if (result_.cancelled) return;
  for (const Plan& plan : plans_) cache_.keepSnapshot(plan.uri);
}

}  // namespace

unsigned defaultScanThreads() { return std::clamp(std::thread::hardware_concurrency(), 2u, 8u); }

ScanResult scanMusicFolders(LibraryCache& cache, const std::vector<fs::path>& folders, const ScanOptions& options) {
  const auto start = Clock::now();
  ScanResult result;
  result.notices = cache.takeNotices();
  FolderScan scan(cache, options, result);
  for (const fs::path& folder : distinctFolders(folders)) scan.plan(folder);
  scan.run();
  scan.collect();
  if (options.keep_snapshots) scan.keepSnapshots();
  result.counts.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

LibraryFile loadCachedLibrary(LibraryCache& cache, const std::vector<fs::path>& folders) {
  LibraryFile library;
  for (const fs::path& folder : distinctFolders(folders)) cache.loadTracks(fileUri(folder), library.tracks);
  return library;
}

}  // namespace library
