// Start-up on generated libraries of 100,000, 300,000 and 1,000,000 tracks:
// loading the library file, and the whole `vostrel tree` run on an existing
// profile with its output thrown away.
//
// Each measurement runs in a fresh process, so that memory freed by one does
// not flatter the next: this program starts itself again for the load
// (--startup-child=load:FILE) and for the baseline, the same file read into
// nlohmann's document tree (--startup-child=dom:FILE), and runs the vostrel
// executable for the tree. Times are CPU time (user + system) of that
// process; the machine is shared, and wall time would measure the
// neighbours. Reported per size, all from the same iteration:
//   load_s, dom_s          CPU time of the load and of the baseline
//   load_ratio             load_s / dom_s
//   load_bytes_per_track   resident growth over the load, per track, with
//                          the library held (goal: 600)
//   dom_bytes_per_track    the same for the document tree
//   tree_s, tree_ratio     CPU time of the tree run, and tree_s / dom_s
//   tree_peak_mb           its peak resident size
//
// Library files are made once by tools/make_library.py into
// $VOSTREL_BENCH_LIBRARIES (default /tmp/vostrel-bench-libraries).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "library/library_file.h"
#include "profile/file_io.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kChildFlag = "--startup-child=";

struct Usage {
  double cpu_seconds = 0;
  double peak_mb = 0;
};

double residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double cpuSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The child's side: does the work, then prints the resident growth while
// the result is still held.
int runChild(const std::string& what) {
  const std::size_t colon = what.find(':');
  const std::string kind = what.substr(0, colon);
  const fs::path file = what.substr(colon + 1);
  const double before = residentBytes();
  double after = 0;
  if (kind == "load") {
    const library::LibraryFile library = library::loadLibraryFile(file);
    after = residentBytes();
    benchmark::DoNotOptimize(library.tracks.data());
    std::printf("%.0f\n", after - before);
    std::fflush(stdout);
    std::_Exit(0);  // the measurement is done; freeing would only cost time
  }
  if (kind == "dom") {
    const profile::FileContent content(file, library::kLibraryFileLimit);
    const nlohmann::json document = nlohmann::json::parse(content.text());
    after = residentBytes();
    benchmark::DoNotOptimize(&document);
    std::printf("%.0f\n", after - before);
    std::fflush(stdout);
    std::_Exit(0);
  }
  return 2;
}

// Runs `argv` with stdout to `out` (a file name), waits, and reports its
// CPU time and peak resident size.
Usage runProcess(const std::vector<std::string>& args, const std::string& out) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", args[0].c_str());
    std::abort();
  }
  return {cpuSeconds(usage), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

fs::path libraryFile(int64_t tracks) {
  const char* dir = std::getenv("VOSTREL_BENCH_LIBRARIES");
  const fs::path folder = dir != nullptr && dir[0] != '\0' ? dir : "/tmp/vostrel-bench-libraries";
  fs::create_directories(folder);
  const fs::path file = folder / ("library-" + std::to_string(tracks) + ".json");
  if (!fs::exists(file)) {
    const std::string command = "python3 " VOSTREL_SOURCE_DIR "/tools/make_library.py --tracks " +
                                std::to_string(tracks) + " --out " + file.string() + ".tmp && mv " +
                                file.string() + ".tmp " + file.string();
    if (std::system(command.c_str()) != 0) std::abort();
  }
  return file;
}

double childGrowth(const std::string& out) {
  std::ifstream in(out);
  double bytes = 0;
  in >> bytes;
  return bytes;
}

void BM_Startup(benchmark::State& state) {
  const int64_t tracks = state.range(0);
  const fs::path file = libraryFile(tracks);
  const fs::path profile = fs::temp_directory_path() / ("vostrel-bench-startup-" + std::to_string(getpid()));
  const std::string out = profile.string() + ".out";
  const std::vector<std::string> tree = {VOSTREL_BINARY, "--profile", profile.string(), "--library", file.string(),
                                         "tree"};
  runProcess(tree, "/dev/null");  // makes the profile and its example tree
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  double load = 0, dom = 0, tree_cpu = 0, load_growth = 0, dom_growth = 0, peak = 0;
  for (auto _ : state) {
    const Usage l = runProcess({self, kChildFlag + std::string("load:") + file.string()}, out);
    load += l.cpu_seconds;
    load_growth = childGrowth(out);
    const Usage d = runProcess({self, kChildFlag + std::string("dom:") + file.string()}, out);
    dom += d.cpu_seconds;
    dom_growth = childGrowth(out);
    const Usage t = runProcess(tree, "/dev/null");
    tree_cpu += t.cpu_seconds;
    peak = t.peak_mb;
    state.SetIterationTime(l.cpu_seconds);
  }
  std::error_code ec;
  fs::remove_all(profile, ec);
  fs::remove(out, ec);
  const double n = static_cast<double>(state.iterations());
  const auto count = static_cast<double>(tracks);
  state.counters["load_s"] = load / n;
  state.counters["dom_s"] = dom / n;
  state.counters["load_ratio"] = load / dom;
  state.counters["load_bytes_per_track"] = load_growth / count;
  state.counters["dom_bytes_per_track"] = dom_growth / count;
  state.counters["tree_s"] = tree_cpu / n;
  state.counters["tree_ratio"] = tree_cpu / dom;
  state.counters["tree_peak_mb"] = peak;
}

BENCHMARK(BM_Startup)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kChildFlag, std::strlen(kChildFlag)) == 0) {
      return runChild(argv[i] + std::strlen(kChildFlag));
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
