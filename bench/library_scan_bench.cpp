// Music folders, each against its baseline in the same run (wall time: the
// scan's pool of threads is part of what is measured):
//
//   BM_FullScan        a full scan of a 10,000-file folder into a new cache
//                      against a bare loop that opens each file with
//                      TagLib's FileRef and reads its property map (goal:
//                      scan_ratio <= 1.25), and an incremental rescan of
//                      the unchanged folder against that full scan (goal:
//                      rescan_speedup >= 20). Counters: scan_s, bare_s,
//                      rescan_s, scan_ratio, rescan_speedup, threads.
//   BM_RescanUnreadable  rescans of a folder of 300,000 files in 15,000
//                      folders, 2,000 of which cannot be opened (mode 000)
//                      and 2,000 are not audio, against the same rescans
//                      once the 2,000 can be opened (and are known not to
//                      be audio): what trying them again at every rescan
//                      costs. Counters: rescan_s, baseline_s, retry_ratio,
//                      and the same in CPU time (the machine may be shared).
//                      The files' permissions bind root only without its
//                      override: run it as a user, or as root under
//                      `setpriv --bounding-set=-dac_override,-dac_read_search`
//                      (else it says so and skips).
//   BM_CacheStartup    the library of 300,000 tracks read from the cache as
//                      a scan leaves it (with the folder's snapshot)
//                      against the same library read from its library file
//                      (goal: startup_speedup >= 3, cache_s < 1).
//
// The music folder is made once by vostrel_make_music into
// $VOSTREL_BENCH_MUSIC (default /tmp/vostrel-bench-music-10000).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "album_library.h"
#include "host/track_builder.h"
#include "library/file_uri.h"
#include "library/library_cache.h"
#include "library/library_file.h"
#include "library/library_scan.h"
#include "library/track_record.h"
#include "profile/json_reader.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// CPU time of the whole process (all threads): the machine may be shared,
// and wall time then also measures the neighbours.
double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

fs::path musicFolder(int files) {
  const char* given = std::getenv("VOSTREL_BENCH_MUSIC");
  const fs::path folder = given != nullptr && given[0] != '\0'
                              ? fs::path(given)
                              : fs::temp_directory_path() / ("vostrel-bench-music-" + std::to_string(files));
  if (!fs::exists(folder / ".complete")) {
    const std::string command = std::string(VOSTREL_MAKE_MUSIC) + " --files " + std::to_string(files) + " --out '" +
                                folder.string() + "' >/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    std::ofstream(folder / ".complete") << files << '\n';
  }
  return folder;
}

std::vector<fs::path> musicFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().filename() != ".complete") files.push_back(entry.path());
  }
  return files;
}

void BM_FullScan(benchmark::State& state) {
  const fs::path folder = musicFolder(static_cast<int>(state.range(0)));
  if (folder.empty()) {
    state.SkipWithError("vostrel_make_music failed");
    return;
  }
  const std::vector<fs::path> files = musicFiles(folder);
  const fs::path cache_dir = fs::temp_directory_path() / "vostrel-bench-scan-cache";
  double bare = 0, scan = 0, rescan = 0, bare_cpu = 0, scan_cpu = 0, rescan_cpu = 0;
  std::size_t tracks = 0;
  library::ScanOptions options;
  for (auto _ : state) {
    // The bare loop, once more first so that both find the files in the
    // page cache.
    for (int pass = 0; pass < 2; ++pass) {
      const auto start = Clock::now();
      const double start_cpu = cpuSeconds();
      for (const fs::path& file : files) {
        const TagLib::FileRef ref(file.c_str(), true, TagLib::AudioProperties::Average);
        if (ref.file() != nullptr) benchmark::DoNotOptimize(ref.file()->properties().size());
      }
      if (pass == 1) {
        bare += secondsSince(start);
        bare_cpu += cpuSeconds() - start_cpu;
      }
    }
    fs::remove_all(cache_dir);
    library::LibraryCache cache(cache_dir);
    auto start = Clock::now();
    double start_cpu = cpuSeconds();
    const library::ScanResult full = library::scanMusicFolders(cache, {folder}, options);
    scan += secondsSince(start);
    scan_cpu += cpuSeconds() - start_cpu;
    tracks = full.library.tracks.size();
    start = Clock::now();
    start_cpu = cpuSeconds();
    const library::ScanResult again = library::scanMusicFolders(cache, {folder}, options);
    rescan += secondsSince(start);
    rescan_cpu += cpuSeconds() - start_cpu;
    if (again.counts.unchanged != tracks) state.SkipWithError("the rescan found changes");
    state.SetIterationTime(secondsSince(start));
  }
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["tracks"] = static_cast<double>(tracks);
  state.counters["threads"] = library::defaultScanThreads();
  const double n = static_cast<double>(state.iterations());
  state.counters["bare_s"] = bare / n;
  state.counters["scan_s"] = scan / n;
  state.counters["rescan_s"] = rescan / n;
  state.counters["scan_ratio"] = scan / bare;
  state.counters["rescan_speedup"] = scan / rescan;
  state.counters["scan_cpu_ratio"] = scan_cpu / bare_cpu;
  state.counters["rescan_cpu_speedup"] = scan_cpu / rescan_cpu;
  fs::remove_all(cache_dir);
}
BENCHMARK(BM_FullScan)->Arg(10000)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// Rescans alone, for profiling them: the folder unchanged since the scan
// before.
void BM_Rescan(benchmark::State& state) {
  const fs::path folder = musicFolder(static_cast<int>(state.range(0)));
  const fs::path cache_dir = fs::temp_directory_path() / "vostrel-bench-rescan-cache";
  fs::remove_all(cache_dir);
  library::LibraryCache cache(cache_dir);
  library::scanMusicFolders(cache, {folder}, {});
  for (auto _ : state) benchmark::DoNotOptimize(library::scanMusicFolders(cache, {folder}, {}).library.tracks.size());
  fs::remove_all(cache_dir);
}
BENCHMARK(BM_Rescan)->Arg(10000)->Unit(benchmark::kMillisecond);

// A folder of `count` small files (twenty a folder), every hundred and
// fiftieth mode 000 and as many others text, in a cache that knows the
// rest as tracks (generated ones: a rescan reads no file it knows).
struct UnreadableFolder {
  fs::path music;
  fs::path cache_dir;
  std::vector<fs::path> locked;
};

UnreadableFolder makeUnreadableFolder(int count) {
  const fs::path root = fs::temp_directory_path() / ("vostrel-bench-unreadable-" + std::to_string(count));
  UnreadableFolder made{root / "music", root / "profile", {}};
  auto kind = [](int i) { return i % 150 == 0 ? 'l' : i % 150 == 75 ? 't' : 'a'; };  // locked, text, audio
  auto file = [&](int i) {
    return made.music / ("Album " + std::to_string(i / 20)) / (std::to_string(i) + (kind(i) == 't' ? ".mp3" : ".flac"));
  };
  for (int i = 0; i < count; ++i) {
    if (kind(i) == 'l') made.locked.push_back(file(i));
  }
  if (fs::exists(root / ".complete")) return made;
  fs::remove_all(root);
  const host::TrackList generated = bench::generateAlbumLibrary(count);
  library::LibraryCache cache(made.cache_dir);
  host::TrackBuilder builder;
  cache.begin();
  for (int i = 0; i < count; ++i) {
    const fs::path path = file(i);
    if (i % 20 == 0) fs::create_directories(path.parent_path());
    std::ofstream(path) << (kind(i) == 't' ? "not music\n" : "");
    if (kind(i) != 'a') continue;
    const host::Track& source = *generated[static_cast<std::size_t>(i)];
    for (const host::InfoField& field : source.meta()) {
      for (std::string_view value : field.values()) builder.addMeta(field.name(), value);
    }
    builder.setPath(library::fileUri(path));
    const host::TrackHandle track = builder.build();
    struct stat info {};
    ::stat(path.c_str(), &info);
    cache.putFile(track->path(), {0, info.st_mtim.tv_sec * 1'000'000'000 + info.st_mtim.tv_nsec, true},
                  library::encodeTrackRecord(*track));
  }
  cache.commit();
  std::ofstream(root / ".complete") << count << '\n';
  return made;
}

void BM_RescanUnreadable(benchmark::State& state) {
  const UnreadableFolder folder = makeUnreadableFolder(static_cast<int>(state.range(0)));
  auto lock = [&](fs::perms perms) {
    for (const fs::path& file : folder.locked) fs::permissions(file, perms);
  };
  lock(fs::perms::none);
  if (std::ifstream(folder.locked.front()).is_open()) {
    lock(fs::perms::owner_read | fs::perms::owner_write);
    state.SkipWithError("mode 000 does not stop this process: run it as a user, or under setpriv (see above)");
    return;
  }
  double retrying = 0, baseline = 0, retrying_cpu = 0, baseline_cpu = 0;
  std::size_t unreadable = 0;
  for (auto _ : state) {
    // The cache as a scan of the locked files leaves it: they are unknown.
    library::LibraryCache cache(folder.cache_dir);
    library::scanMusicFolders(cache, {folder.music}, {});
    auto start = Clock::now();
    double start_cpu = cpuSeconds();
    const library::ScanResult retried = library::scanMusicFolders(cache, {folder.music}, {});
    retrying += secondsSince(start);
    retrying_cpu += cpuSeconds() - start_cpu;
    unreadable = retried.counts.unreadable;
    state.SetIterationTime(secondsSince(start));
    // Readable: read once (not audio either), then known.
    lock(fs::perms::owner_read | fs::perms::owner_write);
    library::scanMusicFolders(cache, {folder.music}, {});
    start = Clock::now();
    start_cpu = cpuSeconds();
    const library::ScanResult known = library::scanMusicFolders(cache, {folder.music}, {});
    baseline += secondsSince(start);
    baseline_cpu += cpuSeconds() - start_cpu;
    if (known.counts.unreadable != unreadable) state.SkipWithError("the rescans found different files");
    // Unknown again, for the next round.
    for (const fs::path& file : folder.locked) {
      fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
    }
    lock(fs::perms::none);
  }
  lock(fs::perms::owner_read | fs::perms::owner_write);
  const double n = static_cast<double>(state.iterations());
  state.counters["files"] = static_cast<double>(state.range(0));
  state.counters["locked"] = static_cast<double>(folder.locked.size());
  state.counters["unreadable"] = static_cast<double>(unreadable);
  state.counters["rescan_s"] = retrying / n;
  state.counters["baseline_s"] = baseline / n;
  state.counters["retry_ratio"] = retrying / baseline;
  state.counters["rescan_cpu_s"] = retrying_cpu / n;
  state.counters["baseline_cpu_s"] = baseline_cpu / n;
  state.counters["retry_cpu_ratio"] = retrying_cpu / baseline_cpu;
}
BENCHMARK(BM_RescanUnreadable)->Arg(300000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// A generated library with the fields a scan gives (tags, technical fields,
// length), as tracks, as a library file and in a cache.
struct StartupLibrary {
  fs::path json;
  fs::path cache_dir;
};

StartupLibrary makeStartupLibrary(int count) {
  const fs::path root = fs::temp_directory_path() / ("vostrel-bench-startup-" + std::to_string(count));
  StartupLibrary made{root / "library.json", root / "profile"};
  if (fs::exists(root / ".complete")) {
    // A cache made before snapshots were kept takes one, as a scan would.
    library::LibraryCache cache(made.cache_dir);
    library::loadCachedLibrary(cache, {"/music"});
    cache.keepSnapshot("file:///music");
    return made;
  }
  fs::remove_all(root);
  fs::create_directories(made.cache_dir);
  const host::TrackList generated = bench::generateAlbumLibrary(count);
  library::LibraryCache cache(made.cache_dir);
  std::ofstream json(made.json);
  json << "{\"tracks\": [\n";
  host::TrackBuilder builder;
  std::string line;
  cache.begin();
  for (std::size_t i = 0; i < generated.size(); ++i) {
    const host::Track& source = *generated[i];
    builder.setPath(source.path());
    builder.setSize(20'000'000 + i);
    builder.setMtime(1'700'000'000 + static_cast<int64_t>(i));
    builder.setLength(180.5 + static_cast<double>(i % 300));
    for (const host::InfoField& field : source.meta()) {
      for (std::string_view value : field.values()) builder.addMeta(field.name(), value);
    }
    const std::string bitrate = std::to_string(700 + i % 400);
    for (const auto& [name, value] : {std::pair<const char*, std::string_view>{"codec", "FLAC"},
                                      {"bitrate", bitrate},
                                      {"samplerate", "44100"},
                                      {"channels", "2"},
                                      {"bitspersample", "16"}}) {
      builder.addTech(name, value);
    }
    const host::TrackHandle track = builder.build();
    cache.putFile(track->path(), {track->size(), track->mtime() * 1'000'000'000, true},
                  library::encodeTrackRecord(*track));
    line = i == 0 ? "{\"path\": " : ",\n{\"path\": ";
    profile::appendJsonString(line, track->path());
    line += ", \"size\": " + std::to_string(track->size()) + ", \"mtime\": " + std::to_string(track->mtime()) +
            ", \"length\": " + std::to_string(track->length()) + ", \"meta\": {";
    bool first = true;
    for (const host::InfoField& field : track->meta()) {
      line += first ? "" : ", ";
      first = false;
      profile::appendJsonString(line, field.name());
      line += ": ";
      profile::appendJsonString(line, field.values().front());
    }
    line += "}, \"info\": {";
    first = true;
    for (const host::InfoField& field : track->tech()) {
      line += first ? "" : ", ";
      first = false;
      profile::appendJsonString(line, field.name());
      line += ": ";
      profile::appendJsonString(line, field.values().front());
    }
    json << line << "}}";
  }
  cache.commit();
  library::loadCachedLibrary(cache, {"/music"});
  cache.keepSnapshot("file:///music");  // as a scan leaves it
  json << "\n]}\n";
  json.close();
  std::ofstream(root / ".complete") << count << '\n';
  return made;
}

void BM_CacheStartup(benchmark::State& state) {
  const StartupLibrary library = makeStartupLibrary(static_cast<int>(state.range(0)));
  double from_cache = 0, from_file = 0, cache_cpu = 0, file_cpu = 0;
  std::size_t cached_tracks = 0, file_tracks = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    double start_cpu = cpuSeconds();
    {
      const library::LibraryFile loaded = library::loadLibraryFile(library.json);
      file_tracks = loaded.tracks.size();
      from_file += secondsSince(start);
      file_cpu += cpuSeconds() - start_cpu;
    }
    start = Clock::now();
    start_cpu = cpuSeconds();
    {
      library::LibraryCache cache(library.cache_dir);
      const library::LibraryFile loaded = library::loadCachedLibrary(cache, {"/music"});
      cached_tracks = loaded.tracks.size();
      state.SetIterationTime(secondsSince(start));
      from_cache += secondsSince(start);
      cache_cpu += cpuSeconds() - start_cpu;
    }
  }
  if (cached_tracks != file_tracks) state.SkipWithError("the cache and the file hold different libraries");
  const double n = static_cast<double>(state.iterations());
  state.counters["tracks"] = static_cast<double>(cached_tracks);
  state.counters["cache_s"] = from_cache / n;
  state.counters["file_s"] = from_file / n;
  state.counters["startup_speedup"] = from_file / from_cache;
  state.counters["cache_cpu_s"] = cache_cpu / n;
  state.counters["file_cpu_s"] = file_cpu / n;
}
BENCHMARK(BM_CacheStartup)->Arg(300000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
