// Scanning music folders into the library cache; see library_scan.h.
#include "library/library_scan.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "host/track_builder.h"
#include "library/file_uri.h"
#include "library/folder_walk.h"
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

int64_t wallClockNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Whether the status-change time `cached` recorded for a file, whose size
// and modification time are as recorded, says it is as it was now that its
// time is `now`. A time not known (a row older than them) takes size and
// modification time alone, as before; a recent one never tells.
bool sameCtime(int64_t cached, int64_t now) {
  if (cached == 0) return true;
  return cached != LibraryCache::kCtimeRecent && cached == now;
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
    host::TrackHandle track;
    bool opened = true;  // false: not remembered, so that the next scan tries again
    bool same = false;   // read again and found as the cache holds it
  };

 public:
  // The track file `index` was, once run() is done; nullptr when it is not
  // one or was not read.
  const host::TrackHandle& track(std::size_t index) const { return results_[index].track; }
  // Whether file `index` was read again and found as the cache holds it.
  bool same(std::size_t index) const { return results_[index].same; }
  // Whether file `index` could be opened (or was not read): else the cache
  // has no row for it.
  bool opened(std::size_t index) const { return results_[index].opened; }

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
      if (file.recheck && result.opened && cache_.fileRecord(file.uri) == result.record) {
        // Read again only because its times could not tell: as it was.
        cache_.putFileCtime(file.uri, file.state.ctime_ns);
        result.same = true;
        ++(result.track ? counts.unchanged : counts.unreadable);
        result.record = std::string();
        continue;
      }
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
  // Records the folders walked, for the next scan to state instead of
  // listing those that stay as they are; after run().
  void recordFolders();

 private:
  using CachedFiles = LibraryCache::FileRows;
  // A track of a folder once the scan is done: an unchanged one (a row of
  // the cache) or one read now.
  struct Slot {
    std::size_t cached = kNotRead;  // index in the plan's cached rows
    std::size_t read = kNotRead;    // index in found_
  };
  struct Plan {
    std::string uri;
    CachedFiles cached;       // the cache's rows of the folder, by location
    std::vector<Slot> slots;  // in location order
    host::TrackList loaded;   // the folder's tracks loaded beside the walk; see plan()
    // The folders walked, when the walk got through, and those the cache
    // knew of before; see recordFolders().
    bool record = false;
    std::vector<FolderWalk::Walked> walked;
    LibraryCache::WalkedFolders known;
    int64_t recent_from = 0;
  };
  // Whether `plan`'s slots are its loaded tracks, one for one: the rows
  // were read twice, and another process may have written in between.
  bool slotsAreLoaded(const Plan& plan) const;

  // Where a slot's file is and what it was found as.
  std::string_view uriOf(const Plan& plan, const Slot& slot) const {
    return slot.read != kNotRead ? std::string_view(found_[slot.read].uri) : plan.cached.path(slot.cached);
  }
  const LibraryCache::FileState& stateOf(const Plan& plan, const Slot& slot) const {
    return slot.read != kNotRead ? found_[slot.read].state : plan.cached.state(slot.cached);
  }
  // Takes every cached file of a music folder that could not be looked at
  // as it is: `error` is why it could not be listed, 0 when it is missing.
  void keepAsItWas(const fs::path& folder, Plan& plan, CachedFiles& cached, int error);
  // Reports the folders below the music folder whose URI is `uri` that
  // could not be listed, and those that can be again.
  void reportUnlisted(const std::string& uri, const FolderWalk& walk);
  void setAvailable(const std::string& uri, bool available);

  LibraryCache& cache_;
  const ScanOptions& options_;
  ScanResult& result_;
  const std::size_t threads_;
  ScanProgress progress_;
  std::vector<Plan> plans_;
  std::vector<FoundFile> found_;  // to read
  std::vector<std::string> gone_;
  std::vector<std::pair<std::string, int64_t>> ctimes_;  // unchanged files whose status-change time is new to the cache
  std::optional<Reader> reader_;
  std::vector<FoundFile*> to_read_;
};

// The URI of the folder whose locations begin with `below` (see
// locationsBelow()).
std::string folderUri(std::string_view below) {
  if (below.ends_with('/') && below != fileUri("/")) below.remove_suffix(1);
  return std::string(below);
}

std::string reason(int error) { return std::system_category().message(error); }

void FolderScan::plan(const fs::path& folder) {
  Plan& plan = plans_.emplace_back();
  plan.uri = fileUri(folder);
  // The walk takes the files of the folders that stay as they were from
  // the cache's rows, which it needs first.
  plan.cached = cache_.filesBelow(plan.uri);
  CachedFiles& cached = plan.cached;
  plan.known = cache_.foldersWalked(plan.uri);
  KnownFolders known(cached, plan.known);
  std::vector<FoundFile> files;
  FolderWalk walk(files, options_.cancel, &known);
  // Files whose status-change time lies after this are read again at the
  // next scan. Timestamps move in steps (a clock tick, up to two seconds on
  // some file systems): a file written again within the step in which it
  // was read would keep the time that was recorded.
  const int64_t recent_from = wallClockNs() - options_.recent.count();
  plan.recent_from = recent_from;
  // A cache that has handed out none of the folder's tracks yet (a
  // command's, a fresh start's) loads them beside the walk: the library is
  // made of them whatever the walk finds, the files read again taking the
  // place of theirs.
  int error = 0;
  std::exception_ptr walk_failed;
  {
    std::jthread walking([&] {
      try {
        error = walk.run(folder, threads_);
      } catch (...) {
        walk_failed = std::current_exception();
      }
    });
    if (!cache_.knowsTracksBelow(plan.uri)) cache_.loadTracks(plan.uri, plan.loaded);
  }
  if (walk_failed) std::rethrow_exception(walk_failed);
  // A folder that is gone, or is empty where it held files (an unmounted
  // disk leaves its mount point empty), keeps its tracks; so does one that
  // cannot be opened or listed.
  const bool missing = error == ENOENT || error == ENOTDIR;
  const std::vector<unsigned char>& same = known.same();
  const std::size_t found_same = static_cast<std::size_t>(std::count(same.begin(), same.end(), 1));
  const bool unmounted =
      error == 0 && !walk.cancelled() && walk.unlisted().empty() && files.empty() && found_same == 0 && !cached.empty();
  if (error == 0 && walk.belowUnlisted(locationsBelow(plan.uri))) error = walk.unlisted().front().error;
  if (missing || unmounted || error != 0) {
    keepAsItWas(folder, plan, cached, missing || unmounted ? 0 : error);
    return;
  }
  if (!cache_.folderWasAvailable(plan.uri)) {
    result_.notices.push_back("The music folder " + folder.string() + " is available again.");
    setAvailable(plan.uri, true);
  }
  reportUnlisted(plan.uri, walk);
  plan.walked = std::move(walk.walked());
  plan.record = !walk.cancelled();
  for (const FolderWalk::Walked& walked : plan.walked) result_.counts.folders_listed += walked.listed ? 1 : 0;
  std::sort(files.begin(), files.end(), [](const FoundFile& a, const FoundFile& b) { return a.uri < b.uri; });
  // Both lists are in location order: one pass pairs them. A file the
  // walk found as its row holds it is not in the list. A file not found is
  // gone, unless the walk may have missed it: below a folder that could
  // not be listed, or anywhere when it was cancelled.
  ScanCounts& counts = result_.counts;
  plan.slots.reserve(cached.size());  // as many as there are, where nothing changed
  std::size_t c = 0;
  auto passCached = [&](auto&& before) {
    for (; c < cached.size() && before(cached.path(c)); ++c) {
      if (!same[c] && !walk.cancelled() && !walk.belowUnlisted(cached.path(c))) {
        gone_.emplace_back(cached.path(c));
        continue;
      }
      ++(cached.state(c).track ? counts.unchanged : counts.unreadable);
      if (cached.state(c).track) plan.slots.push_back({c});
    }
  };
  for (FoundFile& file : files) {
    if (file.state.ctime_ns >= recent_from) file.state.ctime_ns = LibraryCache::kCtimeRecent;
    passCached([&](std::string_view uri) { return uri < file.uri; });
    if (c < cached.size() && cached.path(c) == file.uri) {
      const LibraryCache::FileState& state = cached.state(c);
      const std::size_t row = c++;
      if (state.size == file.state.size && state.mtime_ns == file.state.mtime_ns) {
        if (sameCtime(state.ctime_ns, file.state.ctime_ns)) {
          if (state.ctime_ns != file.state.ctime_ns) ctimes_.emplace_back(file.uri, file.state.ctime_ns);
          ++(state.track ? counts.unchanged : counts.unreadable);
          if (state.track) plan.slots.push_back({row});
          continue;
        }
        file.recheck = true;
      }
      file.known = true;
    }
    plan.slots.push_back({kNotRead, found_.size()});
    found_.push_back(std::move(file));
  }
  passCached([](std::string_view) { return true; });
  progress_.files += files.size() + found_same;
}

void FolderScan::keepAsItWas(const fs::path& folder, Plan& plan, CachedFiles& cached, int error) {
  if (error == 0) {
    result_.unavailable_folders.push_back(folder.string());
  } else {
    result_.unreadable_folders.push_back({folder.string(), reason(error)});
  }
  if (cache_.folderWasAvailable(plan.uri)) {
    result_.notices.push_back(
        error == 0 ? "The music folder " + folder.string() +
                         " is unavailable; its tracks stay in the library until it is back."
                   : "The music folder " + folder.string() + " cannot be read (" + reason(error) +
                         "): its files are not scanned, and the tracks found in it before stay in the library.");
    setAvailable(plan.uri, false);
  }
  for (std::size_t i = 0; i < cached.size(); ++i) {
    ++(cached.state(i).track ? result_.counts.unchanged : result_.counts.unreadable);
    if (cached.state(i).track) plan.slots.push_back({i});
  }
}

// The cache remembers the folders below a music folder that could not be
// listed as unavailable folders of their own, so that each is said once.
void FolderScan::reportUnlisted(const std::string& uri, const FolderWalk& walk) {
  std::vector<std::string> known = cache_.unavailableFoldersBelow(uri);  // by location
  std::vector<std::pair<std::string, bool>> changes;                     // folder, readable now
  for (const FolderWalk::Unlisted& unlisted : walk.unlisted()) {
    const std::string folder_uri = folderUri(unlisted.below);
    const std::string folder = uriFilePath(folder_uri).string();
    result_.unreadable_folders.push_back({folder, reason(unlisted.error)});
    if (std::binary_search(known.begin(), known.end(), folder_uri)) continue;
    result_.notices.push_back("The folder " + folder + " cannot be read (" + reason(unlisted.error) +
                              "): its files are not scanned, and the tracks found in it before stay in the library.");
    changes.emplace_back(folder_uri, false);
  }
  if (!walk.cancelled()) {
    for (const std::string& folder_uri : known) {
      const std::string below = locationsBelow(folder_uri);
      if (std::any_of(walk.unlisted().begin(), walk.unlisted().end(),
                      [&](const FolderWalk::Unlisted& folder) { return folder.below == below; })) {
        continue;  // still
      }
      // Listed now, unless it is gone or lies in a folder that cannot be
      // listed now (which is said instead, and it again if it still cannot
      // be once that can).
      std::error_code ec;
      const fs::path folder = uriFilePath(folder_uri);
      if (!walk.belowUnlisted(folder_uri) && fs::is_directory(folder, ec)) {
        result_.notices.push_back("The folder " + folder.string() + " can be read again.");
      }
      changes.emplace_back(folder_uri, true);
    }
  }
  if (changes.empty()) return;
  cache_.begin();
  for (const auto& [folder_uri, readable] : changes) {
    if (readable) {
      cache_.forgetFolder(folder_uri);
    } else {
      cache_.setFolderAvailable(folder_uri, false);
    }
  }
  cache_.commit();
}

void FolderScan::setAvailable(const std::string& uri, bool available) {
  cache_.begin();
  cache_.setFolderAvailable(uri, available);
  cache_.commit();
}

void FolderScan::run() {
  for (FoundFile& file : found_) to_read_.push_back(&file);
  progress_.to_read = to_read_.size();
  if (!gone_.empty() || !ctimes_.empty()) {
    cache_.begin();
    for (const std::string& uri : gone_) cache_.removeFile(uri);
    for (const auto& [uri, ctime_ns] : ctimes_) cache_.putFileCtime(uri, ctime_ns);
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
    if (slotsAreLoaded(plan)) {
      // Unchanged (no file was read), and the cache
      // knows its tracks as loaded already.
      result_.library.tracks.insert(result_.library.tracks.end(), plan.loaded.begin(), plan.loaded.end());
      continue;
    }
    std::vector<std::pair<host::TrackHandle, LibraryCache::FileState>> tracks;
    tracks.reserve(plan.slots.size());
    bool whole = true;
    for (const Slot& slot : plan.slots) {
      const LibraryCache::FileState& state = stateOf(plan, slot);
      if (slot.read != kNotRead) {
        host::TrackHandle track = reader_->track(slot.read);
        // A file found as it was keeps the track handed out before.
        if (reader_->same(slot.read)) {
          if (host::TrackHandle known = cache_.knownTrack(found_[slot.read].uri, state)) track = std::move(known);
        }
        if (track) tracks.emplace_back(std::move(track), state);
      } else if (host::TrackHandle track = cache_.knownTrack(uriOf(plan, slot), state)) {
        tracks.emplace_back(std::move(track), state);
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

bool FolderScan::slotsAreLoaded(const Plan& plan) const {
  if (plan.slots.size() != plan.loaded.size()) return false;
  for (std::size_t i = 0; i < plan.slots.size(); ++i) {
    const host::Track& track = *plan.loaded[i];
    if (plan.slots[i].read != kNotRead) return false;
    const LibraryCache::FileState& state = stateOf(plan, plan.slots[i]);
    if (track.path() != uriOf(plan, plan.slots[i]) || track.size() != state.size ||
        track.mtime() != wholeSeconds(state.mtime_ns)) {
      return false;
    }
  }
  return true;
}

// The URI of the folder that holds the location `uri`.
std::string_view parentOf(std::string_view uri) { return uri.substr(0, uri.rfind('/')); }

void FolderScan::recordFolders() {
  if (result_.cancelled) return;
  // A file that could not be opened has no row: only a listing of its
  // folder finds it again.
  std::unordered_set<std::string_view> unopened;
  for (std::size_t i = 0; i < found_.size(); ++i) {
    if (!reader_->opened(i)) unopened.insert(parentOf(found_[i].uri));
  }
  std::vector<std::pair<std::string_view, const LibraryCache::FolderStamp*>> put;
  std::vector<std::string_view> removed;
  for (Plan& plan : plans_) {
    if (!plan.record) continue;
    std::sort(plan.walked.begin(), plan.walked.end(),
              [](const FolderWalk::Walked& a, const FolderWalk::Walked& b) { return a.uri < b.uri; });
    // Both in location order.
    std::size_t k = 0;
    for (FolderWalk::Walked& folder : plan.walked) {
      // Times within the step of the clock in which it was listed could
      // stay the same through a change made just after.
      if (!folder.plain || folder.stamp.mtime_ns >= plan.recent_from || folder.stamp.ctime_ns >= plan.recent_from ||
          unopened.contains(folder.uri)) {
        folder.stamp = LibraryCache::FolderStamp();
      }
      for (; k < plan.known.size() && plan.known[k].first < folder.uri; ++k) removed.push_back(plan.known[k].first);
      const bool same =
          k < plan.known.size() && plan.known[k].first == folder.uri && plan.known[k].second == folder.stamp;
      if (k < plan.known.size() && plan.known[k].first == folder.uri) ++k;
      if (!same) put.emplace_back(folder.uri, &folder.stamp);
    }
    for (; k < plan.known.size(); ++k) removed.push_back(plan.known[k].first);
  }
  if (put.empty() && removed.empty()) return;
  cache_.begin();
  for (const std::string_view uri : removed) cache_.removeFolderWalked(uri);
  for (const auto& [uri, stamp] : put) cache_.putFolderWalked(uri, *stamp);
  cache_.commit();
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
  scan.recordFolders();
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
