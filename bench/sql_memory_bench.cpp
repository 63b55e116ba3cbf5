// Peak memory of `vostrel sql` over a large result in each output format:
//
//   WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c LIMIT N)
//   SELECT x, 'padding padding padding padding' FROM c
//
// with N = 10,000,000 unless --rows=N says otherwise (--rows=1000000 for a
// quick run). Each format runs the real vostrel executable in a process of
// its own, output thrown away; the peak resident size is read from outside,
// as the kernel counted it for the child (wait4's ru_maxrss), so it covers
// everything the process held, SQLite's cache and the C++ runtime included.
//
// Baselines from the same run: the start-up, `sql "SELECT 1"` on the same
// profile (what any command holds), and the tsv run, which writes each line
// as its row comes. Counters (MB are MiB):
//   start_mb                   peak of the start-up
//   tsv_mb, csv_mb, json_mb, table_mb
//                              peak of each format (goal: all under 100)
//   FORMAT_vs_start            its peak / start_mb
//   FORMAT_vs_tsv              its peak / tsv_mb
//   FORMAT_cpu_vs_tsv          its CPU time (user + system) / tsv's
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
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kRowsFlag = "--rows=";
constexpr int64_t kDefaultRows = 10'000'000;
const char* const kFormats[] = {"tsv", "csv", "json", "table"};

struct Usage {
  double cpu_seconds = 0;
  double peak_mb = 0;
};

double cpuSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs `args` with stdout and stderr thrown away, waits, and reports its CPU
// time and peak resident size; a run that fails ends the benchmark.
Usage runProcess(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed:");
    for (const std::string& arg : args) std::fprintf(stderr, " %s", arg.c_str());
    std::fprintf(stderr, "\n");
    std::abort();
  }
  return {cpuSeconds(usage), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

void BM_SqlPeakRss(benchmark::State& state, int64_t rows) {
  const fs::path profile = fs::temp_directory_path() / ("vostrel-bench-sql-memory-" + std::to_string(getpid()));
  const std::vector<std::string> command = {VOSTREL_BINARY, "--profile", profile.string(), "--library",
                                            VOSTREL_SOURCE_DIR "/data/demo-library.json", "sql"};
  auto sql = [&command](std::vector<std::string> args) {
    std::vector<std::string> all = command;
    all.insert(all.end(), args.begin(), args.end());
    return all;
  };
  const std::string query = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c LIMIT " +
                            std::to_string(rows) + ") SELECT x, 'padding padding padding padding' FROM c";
  runProcess(sql({"SELECT 1"}));  // makes the profile, which is then only opened
  Usage start, runs[std::size(kFormats)];
  for (auto _ : state) {
    start = runProcess(sql({"SELECT 1"}));
    double cpu = 0;
    for (std::size_t i = 0; i < std::size(kFormats); ++i) {
      runs[i] = runProcess(sql({"--format", kFormats[i], query}));
      cpu += runs[i].cpu_seconds;
    }
    state.SetIterationTime(cpu);
  }
  std::error_code ec;
  fs::remove_all(profile, ec);
  const Usage& tsv = runs[0];
  state.counters["start_mb"] = start.peak_mb;
  for (std::size_t i = 0; i < std::size(kFormats); ++i) {
    const std::string name = kFormats[i];
    state.counters[name + "_mb"] = runs[i].peak_mb;
    state.counters[name + "_vs_start"] = runs[i].peak_mb / start.peak_mb;
    if (i == 0) continue;
    state.counters[name + "_vs_tsv"] = runs[i].peak_mb / tsv.peak_mb;
    state.counters[name + "_cpu_vs_tsv"] = runs[i].cpu_seconds / tsv.cpu_seconds;
  }
}

}  // namespace

int main(int argc, char** argv) {
  int64_t rows = kDefaultRows;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kRowsFlag, std::strlen(kRowsFlag)) == 0) {
      char* end = nullptr;
      rows = std::strtoll(argv[i] + std::strlen(kRowsFlag), &end, 10);
      if (*end != '\0' || rows <= 0) {
        std::fprintf(stderr, "%s: --rows needs a number of rows, 1 or more\n", argv[0]);
        return 2;
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RegisterBenchmark(("BM_SqlPeakRss/rows:" + std::to_string(rows)).c_str(), BM_SqlPeakRss, rows)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
