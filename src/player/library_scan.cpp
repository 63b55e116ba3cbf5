// Scanning music folders into the library cache; see library_scan.h.
#include "player/library_scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "host/track_builder.h"
#include "player/file_uri.h"
#include "player/tag_reader.h"
#include "player/track_record.h"

namespace player {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Files read between two commits: a killed scan loses at most these.
constexpr std::size_t kBatchFiles = 256;
constexpr auto kBatchTime = std::chrono::milliseconds(500);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

struct FoundFile {
  std::string uri;
  fs::path path;
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

// Every file below `folder`, by location; false when the folder could not
// be listed completely (then nothing may be taken as gone).
bool walkFolder(const fs::path& folder, std::vector<FoundFile>& files, const std::atomic<bool>* cancel) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  if (ec) return false;
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) return false;
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) return false;
    struct stat info {};
    // Symbolic links to files count as the files they name.
    if (::stat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    FoundFile& file = files.emplace_back();
    file.path = it->path();
    file.uri = fileUri(file.path);
    file.state.size = static_cast<uint64_t>(info.st_size);
    file.state.mtime_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  }
  if (ec) return false;
  return true;
}

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
    bool track = false;
  };

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
      const host::TrackHandle track = readMusicFile(
          file.path, file.uri, {file.state.size, wholeSeconds(file.state.mtime_ns)}, builder);
      if (track) {
        result.record = encodeTrackRecord(*track);
        result.track = true;
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
      LibraryCache::FileState state = file.state;
      state.track = result.track;
      cache_.putFile(file.uri, state, result.record);
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

}  // namespace

unsigned defaultScanThreads() { return std::clamp(std::thread::hardware_concurrency(), 2u, 8u); }

ScanResult scanMusicFolders(LibraryCache& cache, const std::vector<fs::path>& folders, const ScanOptions& options) {
  const auto start = Clock::now();
  ScanResult result;
  result.notices = cache.takeNotices();
  ScanProgress progress;
  std::vector<FoundFile> found;
  std::vector<FoundFile*> to_read;
  std::vector<std::string> gone;

  for (const fs::path& folder : distinctFolders(folders)) {
    const std::string folder_uri = fileUri(folder);
    std::vector<FoundFile> files;
    const bool complete = walkFolder(folder, files, options.cancel);
    auto cached = cache.filesBelow(folder_uri);
    std::error_code ec;
    if (!complete && !fs::is_directory(folder, ec)) {
      // Unmounted or taken away: its tracks stay as they are.
      result.unavailable_folders.push_back(folder.string());
      if (cache.folderWasAvailable(folder_uri)) {
        result.notices.push_back("The music folder " + folder.string() +
                                 " is unavailable; its tracks stay in the library until it is back.");
        cache.begin();
        cache.setFolderAvailable(folder_uri, false);
        cache.commit();
      }
      for (const auto& [uri, state] : cached) ++(state.track ? result.counts.unchanged : result.counts.unreadable);
      continue;
    }
    if (!cache.folderWasAvailable(folder_uri)) {
      result.notices.push_back("The music folder " + folder.string() + " is available again.");
    }
    std::sort(files.begin(), files.end(), [](const FoundFile& a, const FoundFile& b) { return a.uri < b.uri; });
    // Both lists are in location order: one pass pairs them.
    std::size_t c = 0;
    for (FoundFile& file : files) {
      while (c < cached.size() && cached[c].first < file.uri) {
        if (complete) gone.push_back(std::move(cached[c].first));
        ++c;
      }
      if (c < cached.size() && cached[c].first == file.uri) {
        const LibraryCache::FileState& state = cached[c].second;
        ++c;
        if (state.size == file.state.size && state.mtime_ns == file.state.mtime_ns) {
          ++(state.track ? result.counts.unchanged : result.counts.unreadable);
          continue;
        }
        file.known = true;
      }
      found.push_back(std::move(file));
    }
    for (; c < cached.size() && complete; ++c) gone.push_back(std::move(cached[c].first));
    progress.files += files.size();
    cache.begin();
    cache.setFolderAvailable(folder_uri, true);
    cache.commit();
  }
  for (FoundFile& file : found) to_read.push_back(&file);
  progress.to_read = to_read.size();

  if (!gone.empty()) {
    cache.begin();
    for (const std::string& uri : gone) cache.removeFile(uri);
    cache.commit();
    result.counts.removed = gone.size();
  }
  Reader(cache, to_read, options, progress).run(result.counts);
  result.cancelled = options.cancel != nullptr && options.cancel->load();
  result.library = loadCachedLibrary(cache, folders);
  result.counts.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

LibraryFile loadCachedLibrary(LibraryCache& cache, const std::vector<fs::path>& folders) {
  LibraryFile library;
  for (const fs::path& folder : distinctFolders(folders)) cache.loadTracks(fileUri(folder), library.tracks);
  return library;
}

}  // namespace player
