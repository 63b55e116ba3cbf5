// Commands on a music folder, each against its baseline in the same run:
//
//   BM_FolderCommand/N    `vostrel sql "SELECT count(*) FROM MediaLibrary"`
//                         on an unchanged music folder of N files (its cache
//                         current), against the same command on a library
//                         file holding the same tracks, and with
//                         --no-rescan. Each runs the real vostrel executable
//                         in a process of its own, in turns, so that a busy
//                         neighbour slows all three alike; the figures are
//                         medians of the repetitions, wall time and CPU time
//                         (user + system, all threads) read from outside by
//                         wait4. Goal at 30,000 files: folder_ratio <= 1.5.
//                         Counters: file_s, folder_s, no_rescan_s,
//                         folder_ratio, no_rescan_ratio, and the same in CPU
//                         time (*_cpu_s, *_cpu_ratio).
//                         With --baseline=PATH, another build of the
//                         program (the one before a change) runs the same
//                         three commands in the same turns, on a profile of
//                         its own (its cache may be of another format):
//                         base_file_s, base_folder_s, base_folder_ratio and
//                         base_folder_cpu_ratio. Each command runs once
//                         before the turns, so that each cache is current.
//   BM_FolderCheckSplit/N where the check of the unchanged folder goes, in
//                         this process: list_s (listing every folder and
//                         stating every file, as a scan without the cache's
//                         folders does), walk_s (stating the folders and
//                         their files by the names the cache knows, as a
//                         rescan does), rows_s (the cache's rows of the
//                         folder and its walked folders), load_s (the tracks
//                         from the cache, as a fresh start reads them),
//                         rescan_s (the whole check, by a fresh cache as a
//                         command opens it).
//
// The music folder is made once by vostrel_make_music into
// $VOSTREL_BENCH_MUSIC (default /tmp/vostrel-bench-music-N), and scanned
// once into a profile kept beside it (/tmp/vostrel-bench-folder-command-N);
// at 300,000 files that takes minutes the first time. One size alone:
// --benchmark_filter='/30000/'.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "library/file_uri.h"
#include "library/folder_walk.h"
#include "library/library_cache.h"
#include "library/library_scan.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRepetitions = 7;

const char* const kBaselineFlag = "--baseline=";
// Another build's vostrel, measured beside this one's; empty: none.
std::string baseline;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

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

struct Run {
  double wall_s = 0;
  double cpu_s = 0;
};

// Runs `args` with its output thrown away and waits for it; nullopt when
// it fails.
std::optional<Run> runProcess(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return Run{secondsSince(start), seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Writes the tracks as a library file: path, size, time, length, tags and
// technical fields, as a scan found them.
void writeLibraryFile(const host::TrackList& tracks, const fs::path& file) {
  nlohmann::json list = nlohmann::json::array();
  for (const host::TrackHandle& track : tracks) {
    nlohmann::json entry = {{"path", track->path()}, {"size", track->size()}, {"mtime", track->mtime()}};
    if (track->hasInfo()) entry["length"] = track->length();
    for (const auto& [key, fields] : {std::pair{"meta", track->meta()}, std::pair{"info", track->tech()}}) {
      nlohmann::json object = nlohmann::json::object();
      for (const host::InfoField& field : fields) object[std::string(field.name())] = field.values().strings();
      if (!object.empty()) entry[key] = std::move(object);
    }
    list.push_back(std::move(entry));
  }
  std::ofstream(file) << nlohmann::json{{"tracks", std::move(list)}}.dump();
}

// A profile whose cache holds the folder as it is, and a library file of
// the same tracks beside it.
struct Setup {
  fs::path music, profile, library_file;
  std::size_t tracks = 0;
};

std::optional<Setup> prepare(int files) {
  Setup setup;
  setup.music = musicFolder(files);
  if (setup.music.empty()) return std::nullopt;
  const fs::path root = fs::temp_directory_path() / ("vostrel-bench-folder-command-" + std::to_string(files));
  setup.profile = root / "profile";
  setup.library_file = root / "library.json";
  if (!fs::exists(root / ".complete")) {
    fs::remove_all(root);
    if (!runProcess({VOSTREL_BINARY, "--profile", setup.profile.string(), "--library", setup.music.string(), "scan"})) {
      return std::nullopt;
    }
    library::LibraryCache cache(setup.profile);
    writeLibraryFile(library::loadCachedLibrary(cache, {setup.music}).tracks, setup.library_file);
    std::ofstream(root / ".complete") << files << '\n';
  }
  library::LibraryCache cache(setup.profile);
  setup.tracks = library::loadCachedLibrary(cache, {setup.music}).tracks.size();
  return setup;
}

void BM_FolderCommand(benchmark::State& state) {
  const std::optional<Setup> setup = prepare(static_cast<int>(state.range(0)));
  if (!setup) {
    state.SkipWithError("the music folder, its scan or its library file could not be made");
    return;
  }
  auto command = [&](const std::string& program, std::vector<std::string> library) {
    const fs::path profile = program == baseline ? setup->profile.parent_path() / "baseline-profile" : setup->profile;
    std::vector<std::string> args = {program, "--profile", profile.string()};
    args.insert(args.end(), library.begin(), library.end());
    for (const char* arg : {"sql", "SELECT count(*) FROM MediaLibrary"}) args.emplace_back(arg);
    return args;
  };
  // This build's three commands, then the baseline's.
  std::vector<std::vector<std::string>> commands;
  for (const std::string& program : {std::string(VOSTREL_BINARY), baseline}) {
    if (program.empty()) continue;
    commands.push_back(command(program, {"--library", setup->library_file.string()}));
    commands.push_back(command(program, {"--library", setup->music.string()}));
    commands.push_back(command(program, {"--library", setup->music.string(), "--no-rescan"}));
  }
  for (const std::vector<std::string>& args : commands) {
    if (!runProcess(args)) {
      state.SkipWithError("a command failed");
      return;
    }
  }
  std::vector<std::vector<double>> wall(commands.size()), cpu(commands.size());
  for (auto _ : state) {
    const auto start = Clock::now();
    for (int repetition = 0; repetition < kRepetitions; ++repetition) {
      for (std::size_t i = 0; i < commands.size(); ++i) {
        // Each takes every place in the order in turn.
        const std::size_t which = (i + static_cast<std::size_t>(repetition)) % commands.size();
        const std::optional<Run> run = runProcess(commands[which]);
        if (!run) {
          state.SkipWithError("a command failed");
          return;
        }
        wall[which].push_back(run->wall_s);
        cpu[which].push_back(run->cpu_s);
      }
    }
    state.SetIterationTime(secondsSince(start));
  }
  const double file_s = median(wall[0]), folder_s = median(wall[1]), no_rescan_s = median(wall[2]);
  const double file_cpu = median(cpu[0]), folder_cpu = median(cpu[1]), no_rescan_cpu = median(cpu[2]);
  state.counters["tracks"] = static_cast<double>(setup->tracks);
  state.counters["file_s"] = file_s;
  state.counters["folder_s"] = folder_s;
  state.counters["no_rescan_s"] = no_rescan_s;
  state.counters["folder_ratio"] = folder_s / file_s;
  state.counters["no_rescan_ratio"] = no_rescan_s / file_s;
  state.counters["file_cpu_s"] = file_cpu;
  state.counters["folder_cpu_s"] = folder_cpu;
  state.counters["no_rescan_cpu_s"] = no_rescan_cpu;
  state.counters["folder_cpu_ratio"] = folder_cpu / file_cpu;
  state.counters["no_rescan_cpu_ratio"] = no_rescan_cpu / file_cpu;
  if (commands.size() == 6) {
    state.counters["base_file_s"] = median(wall[3]);
    state.counters["base_folder_s"] = median(wall[4]);
    state.counters["base_folder_ratio"] = median(wall[4]) / median(wall[3]);
    state.counters["base_folder_cpu_ratio"] = median(cpu[4]) / median(cpu[3]);
  }
}
BENCHMARK(BM_FolderCommand)->Arg(30000)->Arg(300000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_FolderCheckSplit(benchmark::State& state) {
  const std::optional<Setup> setup = prepare(static_cast<int>(state.range(0)));
  if (!setup) {
    state.SkipWithError("the music folder, its scan or its library file could not be made");
    return;
  }
  std::vector<double> list, walk, rows, load, rescan;
  for (auto _ : state) {
    auto start = Clock::now();
    {
      std::vector<library::FoundFile> files;
      library::FolderWalk folder_walk(files, nullptr);
      folder_walk.run(setup->music, library::defaultScanThreads());
      list.push_back(secondsSince(start));
    }
    {
      library::LibraryCache cache(setup->profile);
      start = Clock::now();
      const auto cached = cache.filesBelow(library::fileUri(setup->music));
      const auto folders = cache.foldersWalked(library::fileUri(setup->music));
      rows.push_back(secondsSince(start));
      start = Clock::now();
      library::KnownFolders known(cached, folders);
      std::vector<library::FoundFile> files;
      library::FolderWalk folder_walk(files, nullptr, &known);
      folder_walk.run(setup->music, library::defaultScanThreads());
      walk.push_back(secondsSince(start));
    }
    {
      library::LibraryCache cache(setup->profile);
      start = Clock::now();
      benchmark::DoNotOptimize(library::loadCachedLibrary(cache, {setup->music}).tracks.size());
      load.push_back(secondsSince(start));
    }
    start = Clock::now();
    library::LibraryCache cache(setup->profile);
    const library::ScanResult result = library::scanMusicFolders(cache, {setup->music}, {});
    rescan.push_back(secondsSince(start));
    if (result.counts.added + result.counts.changed + result.counts.removed != 0) {
      state.SkipWithError("the folder changed");
      return;
    }
  }
  state.counters["list_s"] = median(list);
  state.counters["walk_s"] = median(walk);
  state.counters["rows_s"] = median(rows);
  state.counters["load_s"] = median(load);
  state.counters["rescan_s"] = median(rescan);
}
BENCHMARK(BM_FolderCheckSplit)->Arg(30000)->Arg(300000)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], kBaselineFlag, std::strlen(kBaselineFlag)) == 0) {
      baseline = argv[i] + std::strlen(kBaselineFlag);
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
