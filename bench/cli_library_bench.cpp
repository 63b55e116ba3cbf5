// The virtual-table scan and the memory of a library, measured from outside
// through the command line, as a user meets them.
//
// BM_CliScan: `vostrel sql --status` on generated libraries of 100,000,
// 300,000 and 1,000,000 tracks (--tracks=N for one size of your own).
// library_tables_bench measures the same scan in-process.
//
// Each size gets a profile of its own with native copies of three columns
// of MediaLibrary:
//   native            CREATE TABLE ... AS SELECT artist, album, title (its
//                     columns compare as BINARY)
//   native_collated   the same columns declared COLLATE NaturalNoCase, as
//                     MediaLibrary declares them
// Then, in rounds (--rounds=N, default 5), one process each runs
//   SELECT max(artist), max(album), max(title) FROM <table>
// for MediaLibrary, native, native_collated, and MediaLibrary read through
// COLLATE BINARY, and the statement's time is read from its --status line
// (wall time of the statement alone, without start-up and loading). The
// medians of the rounds give, per size:
//   vtab_s, native_s, native_collated_s, vtab_binary_s
//   ratio            vtab_s / native_s (goal: at most 1.3)
//   ratio_collated   vtab_s / native_collated_s: the scan alone, both
//                    sides comparing alike
//   ratio_binary     vtab_binary_s / native_s: the same, both comparing bytes
//   ratio_paired     the median of each round's own vtab / native: steadier
//                    than `ratio` where the machine's speed drifts between
//                    rounds (shared virtual machines swing by a third)
//   ratio_min        the fastest vtab round over the fastest native round:
//                    a busy machine only ever adds time, so the two
//                    fastest rounds are the two least disturbed
// and from one `sql "SELECT count(*) FROM MediaLibrary"`, as the kernel
// counted it for the child (wait4's ru_maxrss):
//   peak_mib          its peak resident size (goals: under 120 MB at
//                     300,000, under 300 MiB at 1,000,000)
//   bytes_per_track   that peak / tracks
//
// MB are MiB throughout.
//
// BM_FolderScan: the peak resident size of `vostrel scan` reading a music
// folder of 30,000 files (--files=N) into a new profile (goal: under 70 MB),
// and of the rescan of the unchanged folder that follows:
//   scan_peak_mb, rescan_peak_mb
//
// --vostrel=PATH measures another build of the program the same way.
// --baseline=PATH runs another build in the same rounds, each round's two
// builds taking turns to go first, and reports its figures beside this
// one's as base_vtab_s, base_native_s, base_ratio, base_ratio_collated,
// base_ratio_binary, base_ratio_paired and base_ratio_min: before and after
// a change under the same load.
//
// Library files are made once by tools/make_library.py into
// $VOSTREL_BENCH_LIBRARIES (default /tmp/vostrel-bench-libraries), the music
// folder by vostrel_make_music into /tmp/vostrel-bench-music-N (or
// $VOSTREL_BENCH_MUSIC).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kTracksFlag = "--tracks=";
const char* const kRoundsFlag = "--rounds=";
const char* const kFilesFlag = "--files=";
const char* const kVostrelFlag = "--vostrel=";
const char* const kBaselineFlag = "--baseline=";
// The program measured: this build's, or another one (--vostrel=PATH) to
// compare with.
std::string vostrel = VOSTREL_BINARY;
// Measured in the same rounds when set (--baseline=PATH).
std::string baseline;

const char* const kTables[] = {"MediaLibrary", "native", "native_collated", "MediaLibrary"};
constexpr std::size_t kVtab = 0, kNative = 1, kCollated = 2, kVtabBinary = 3;

struct Run {
  double peak_mib = 0;
  std::string err;  // what it wrote to stderr
};

// Runs `args` with stdout thrown away and stderr kept; a run that fails
// ends the benchmark.
Run runProcess(const std::vector<std::string>& args, const fs::path& err_file) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  const bool waited = wait4(pid, &status, 0, &usage) == pid;
  std::ifstream in(err_file);
  std::stringstream err;
  err << in.rdbuf();
  if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed:");
    for (const std::string& arg : args) std::fprintf(stderr, " %s", arg.c_str());
    std::fprintf(stderr, "\n%s", err.str().c_str());
    std::abort();
  }
  return {static_cast<double>(usage.ru_maxrss) / 1024.0, err.str()};
}

// Seconds of "Execution time: [H:]M:SS.uuuuuu // ..." in `status`; the
// console's status never counts days for a scan this short.
double statusSeconds(const std::string& status) {
  const std::string mark = "Execution time: ";
  const std::size_t at = status.rfind(mark);
  if (at == std::string::npos) {
    std::fprintf(stderr, "no status line in: %s\n", status.c_str());
    std::abort();
  }
  double seconds = 0;
  std::size_t pos = at + mark.size();
  for (;;) {
    std::size_t used = 0;
    const double part = std::stod(status.substr(pos), &used);
    seconds = seconds * 60 + part;
    pos += used;
    if (pos >= status.size() || status[pos] != ':') break;
    ++pos;
  }
  return seconds;
}

fs::path libraryFile(int64_t tracks) {
  const char* dir = std::getenv("VOSTREL_BENCH_LIBRARIES");
  const fs::path folder = dir != nullptr && dir[0] != '\0' ? dir : "/tmp/vostrel-bench-libraries";
  fs::create_directories(folder);
  const fs::path file = folder / ("library-" + std::to_string(tracks) + ".json");
  if (!fs::exists(file)) {
    const std::string command = "python3 " VOSTREL_SOURCE_DIR "/tools/make_library.py --tracks " +
                                std::to_string(tracks) + " --out " + file.string() + ".tmp && mv " + file.string() +
                                ".tmp " + file.string();
    if (std::system(command.c_str()) != 0) std::abort();
  }
  return file;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median over the rounds of each round's vtab time over its native
// time: the two ran a few seconds apart, so a machine that slows down for a
// while slows both.
double pairedRatio(const std::vector<double>& vtab, const std::vector<double>& native) {
  std::vector<double> ratios;
  for (std::size_t r = 0; r < vtab.size() && r < native.size(); ++r) ratios.push_back(vtab[r] / native[r]);
  return median(ratios);
}

// The fastest vtab round over the fastest native round.
double fastestRatio(const std::vector<double>& vtab, const std::vector<double>& native) {
  if (vtab.empty() || native.empty()) return 0;
  return *std::min_element(vtab.begin(), vtab.end()) / *std::min_element(native.begin(), native.end());
}

void BM_CliScan(benchmark::State& state, int64_t tracks, int rounds) {
  const fs::path library = libraryFile(tracks);
  const fs::path profile = fs::temp_directory_path() / ("vostrel-bench-cli-scan-" + std::to_string(getpid()));
  const fs::path err_file = profile.string() + ".err";
  auto runWith = [&](const std::string& program, std::vector<std::string> args) {
    std::vector<std::string> all = {program, "--profile", profile.string(), "--library", library.string(), "sql"};
    all.insert(all.end(), args.begin(), args.end());
    return runProcess(all, err_file);
  };
  auto run = [&](std::vector<std::string> args) { return runWith(vostrel, std::move(args)); };
  run(
      {"CREATE TABLE native AS SELECT artist, album, title FROM MediaLibrary;"
       "CREATE TABLE native_collated(artist TEXT COLLATE NaturalNoCase, album TEXT COLLATE NaturalNoCase,"
       " title TEXT COLLATE NaturalNoCase);"
       "INSERT INTO native_collated SELECT artist, album, title FROM MediaLibrary"});
  std::vector<double> times[std::size(kTables)];
  std::vector<double> base_times[std::size(kTables)];
  double peak_mib = 0;
  auto measure = [&](const std::string& program, std::vector<double>* into) {
    for (std::size_t t = 0; t < std::size(kTables); ++t) {
      const std::string binary = t == kVtabBinary ? " COLLATE BINARY" : "";
      const std::string query =
          "SELECT max(artist" + binary + "), max(album" + binary + "), max(title" + binary + ") FROM " + kTables[t];
      into[t].push_back(statusSeconds(runWith(program, {"--status", query}).err));
    }
  };
  for (auto _ : state) {
    for (int r = 0; r < rounds; ++r) {
      const bool base_first = !baseline.empty() && r % 2 == 1;
      if (base_first) measure(baseline, base_times);
      measure(vostrel, times);
      if (!baseline.empty() && !base_first) measure(baseline, base_times);
    }
    peak_mib = run({"SELECT count(*) FROM MediaLibrary"}).peak_mib;
    state.SetIterationTime(median(times[kVtab]));
  }
  std::error_code ec;
  fs::remove_all(profile, ec);
  fs::remove(err_file, ec);
  const double vtab = median(times[kVtab]);
  const double native = median(times[kNative]);
  const double collated = median(times[kCollated]);
  const double vtab_binary = median(times[kVtabBinary]);
  state.counters["vtab_s"] = vtab;
  state.counters["native_s"] = native;
  state.counters["native_collated_s"] = collated;
  state.counters["vtab_binary_s"] = vtab_binary;
  state.counters["ratio"] = vtab / native;
  state.counters["ratio_collated"] = vtab / collated;
  state.counters["ratio_binary"] = vtab_binary / native;
  state.counters["ratio_paired"] = pairedRatio(times[kVtab], times[kNative]);
  state.counters["ratio_min"] = fastestRatio(times[kVtab], times[kNative]);
  if (!baseline.empty()) {
    const double base_vtab = median(base_times[kVtab]);
    const double base_native = median(base_times[kNative]);
    state.counters["base_vtab_s"] = base_vtab;
    state.counters["base_native_s"] = base_native;
    state.counters["base_ratio"] = base_vtab / base_native;
    state.counters["base_ratio_collated"] = base_vtab / median(base_times[kCollated]);
    state.counters["base_ratio_binary"] = median(base_times[kVtabBinary]) / base_native;
    state.counters["base_ratio_paired"] = pairedRatio(base_times[kVtab], base_times[kNative]);
    state.counters["base_ratio_min"] = fastestRatio(base_times[kVtab], base_times[kNative]);
  }
  state.counters["peak_mib"] = peak_mib;
  state.counters["bytes_per_track"] = peak_mib * 1024 * 1024 / static_cast<double>(tracks);
}

fs::path musicFolder(int64_t files) {
  const char* dir = std::getenv("VOSTREL_BENCH_MUSIC");
  const fs::path folder =
      dir != nullptr && dir[0] != '\0' ? fs::path(dir) : fs::path("/tmp/vostrel-bench-music-" + std::to_string(files));
  const fs::path done = folder.string() + ".made";  // beside it: in it, it would be a file to scan
  if (!fs::exists(done)) {
    const std::string command = std::string(VOSTREL_MAKE_MUSIC) + " --files " + std::to_string(files) + " --out " +
                                folder.string() + " >/dev/null && touch " + done.string();
    if (std::system(command.c_str()) != 0) std::abort();
  }
  return folder;
}

void BM_FolderScan(benchmark::State& state, int64_t files) {
  const fs::path music = musicFolder(files);
  const fs::path profile = fs::temp_directory_path() / ("vostrel-bench-folder-scan-" + std::to_string(getpid()));
  const fs::path err_file = profile.string() + ".err";
  double scan_mb = 0, rescan_mb = 0;
  for (auto _ : state) {
    std::error_code ec;
    fs::remove_all(profile, ec);
    const std::vector<std::string> scan = {vostrel, "--profile", profile.string(), "--library", music.string(), "scan"};
    scan_mb = runProcess(scan, err_file).peak_mib;
    rescan_mb = runProcess(scan, err_file).peak_mib;
    state.SetIterationTime(1);
  }
  std::error_code ec;
  fs::remove_all(profile, ec);
  fs::remove(err_file, ec);
  state.counters["files"] = static_cast<double>(files);
  state.counters["scan_peak_mb"] = scan_mb;
  state.counters["rescan_peak_mb"] = rescan_mb;
}

// The number after `flag` in `arg`, or -1 when it is not a positive number.
int64_t flagNumber(const char* arg, const char* flag) {
  char* end = nullptr;
  const long long value = std::strtoll(arg + std::strlen(flag), &end, 10);
  return *end == '\0' && value > 0 ? value : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int64_t> sizes = {100'000, 300'000, 1'000'000};
  int rounds = 5;
  int64_t files = 30'000;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kTracksFlag, std::strlen(kTracksFlag)) == 0) {
      const int64_t tracks = flagNumber(argv[i], kTracksFlag);
      if (tracks < 0) {
        std::fprintf(stderr, "%s: --tracks needs a number of tracks, 1 or more\n", argv[0]);
        return 2;
      }
      sizes = {tracks};
    } else if (std::strncmp(argv[i], kRoundsFlag, std::strlen(kRoundsFlag)) == 0) {
      const int64_t value = flagNumber(argv[i], kRoundsFlag);
      if (value < 0 || value > 1000) {
        std::fprintf(stderr, "%s: --rounds needs a number of rounds from 1 to 1000\n", argv[0]);
        return 2;
      }
      rounds = static_cast<int>(value);
    } else if (std::strncmp(argv[i], kVostrelFlag, std::strlen(kVostrelFlag)) == 0) {
      vostrel = argv[i] + std::strlen(kVostrelFlag);
    } else if (std::strncmp(argv[i], kBaselineFlag, std::strlen(kBaselineFlag)) == 0) {
      baseline = argv[i] + std::strlen(kBaselineFlag);
    } else if (std::strncmp(argv[i], kFilesFlag, std::strlen(kFilesFlag)) == 0) {
      files = flagNumber(argv[i], kFilesFlag);
      if (files < 0) {
        std::fprintf(stderr, "%s: --files needs a number of files, 1 or more\n", argv[0]);
        return 2;
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const int64_t tracks : sizes) {
    benchmark::RegisterBenchmark(("BM_CliScan/tracks:" + std::to_string(tracks)).c_str(), BM_CliScan, tracks, rounds)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
  benchmark::RegisterBenchmark(("BM_FolderScan/files:" + std::to_string(files)).c_str(), BM_FolderScan, files)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
