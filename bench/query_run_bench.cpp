// Cost of a query-node run against stepping the same statement without
// building nodes, over the MediaLibrary virtual table of a generated library.
//
//   AlbumRun/100000, AlbumRun/300000   the "Album" example query (three
//       levels: album artist, [date] album, disc) with its node limit raised
//       so that nothing is cut. Counters: ratio = run time / time to step the
//       same statement (both through the database layer, alternated in the
//       same iterations); nodes_per_s = result nodes built per second.
//   FlatRun/100000     one level, one node per row, from a generated series:
//       the per-node cost with next to no SQL work around it.
//   DeleteResults/100000   collapse-and-reset of a run's 100,000 result nodes
//       (what the next run does first); nodes_per_s = nodes released per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <unistd.h>

#include "album_library.h"
#include "db/database.h"
#include "db/open_steps.h"
#include "bench_host.h"
#include "host/host.h"
#include "host/track_builder.h"
#include "library_tables/handle_table.h"
#include "library_tables/library_tables.h"
#include "query/level_query.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/tree_schema.h"

namespace {

constexpr const char* kAlbumQuery =
    "SELECT ifnull([album artist],artist) album_artist,\r\n       '['||date||'] '||album album_col,\r\n"
    "        (CASE WHEN discnumber THEN 'Disc '||discnumber ELSE NULL END) disc_number\r\nFROM MediaLibrary\r\n"
    "GROUP BY 1,album,discnumber\r\nORDER BY ifnull([album artist],artist) COLLATE NaturalNoCase,"
    "'['||date||'] '||album desc,discnumber";

// No node limit cuts a benchmark run short.
class BenchHost : public bench::BenchHost {
 public:
  explicit BenchHost(std::filesystem::path profile) : bench::BenchHost(std::move(profile)) {
    settings.overall_node_limit = std::numeric_limits<uint64_t>::max();
  }
};

// A panel over a fresh profile with one query node below its root.
struct Setup {
  explicit Setup(int tracks) : dir(makeDir()), host(dir) {
    host.library = std::make_shared<const host::TrackList>(bench::generateAlbumLibrary(tracks));
    library_tables::resetProcessState();
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    if (!panel->open()) throw std::runtime_error("cannot open the database");
  }
  ~Setup() {
    panel.reset();
    library_tables::resetProcessState();
    std::filesystem::remove_all(dir);
  }
  static std::filesystem::path makeDir() {
    auto dir = std::filesystem::temp_directory_path() / ("vostrel-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "configuration");
    return dir;
  }
  tree::QueryNode& addQuery(const std::string& batch, const std::string& sql, int levels, bool omit_null) {
    return bench::addBenchQuery(*panel, batch, sql, levels, omit_null);
  }
  // Steps the node's statement text through the database layer.
  int64_t step(const tree::QueryNode& node) {
    db::SQLiteDatabase& database = panel->database();
    std::string text = query::nodeStatement(node.definition().sql_batch, node.definition().sql_query, {});
    db::SQLiteColumns row;
    int64_t rows = 0;
    for (;;) {
      db::Prepared prepared = database.Prepare(text, &row);
      const bool last = prepared.rest.empty();
      if (database.statement(prepared.query).stmt != nullptr) {
        while (database.Step(prepared.query) == db::kRow) ++rows;
      }
      prepared.query.finalize();
      if (last) break;
      text = std::move(prepared.rest);
    }
    library_tables::HandleTable::instance().clear();
    return rows;
  }

  std::filesystem::path dir;
  BenchHost host;
  std::unique_ptr<tree::Panel> panel;
};

using Clock = std::chrono::steady_clock;

void runAgainstStep(benchmark::State& state, Setup& setup, tree::QueryNode& node) {
  double run_seconds = 0;
  double step_seconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const int64_t rows = setup.step(node);
    const auto t1 = Clock::now();
    if (!node.refresh(false)) state.SkipWithError("the run failed");
    const auto t2 = Clock::now();
    benchmark::DoNotOptimize(rows);
    step_seconds += std::chrono::duration<double>(t1 - t0).count();
    const double run = std::chrono::duration<double>(t2 - t1).count();
    run_seconds += run;
    state.SetIterationTime(run);
  }
  state.counters["ratio"] = run_seconds / step_seconds;
  state.counters["nodes"] = node.resultNodeCount();
  state.counters["nodes_per_s"] =
      benchmark::Counter(static_cast<double>(node.resultNodeCount()) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void AlbumRun(benchmark::State& state) {
  Setup setup(static_cast<int>(state.range(0)));
  tree::QueryNode& node = setup.addQuery("", kAlbumQuery, 3, true);
  runAgainstStep(state, setup, node);
}
BENCHMARK(AlbumRun)->Arg(100000)->Arg(300000)->UseManualTime()->Unit(benchmark::kMillisecond);

void FlatRun(benchmark::State& state) {
  Setup setup(0);
  const std::string sql = "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<" +
                          std::to_string(state.range(0)) + ") SELECT 'Value '||i FROM r";
  tree::QueryNode& node = setup.addQuery("", sql, 1, false);
  runAgainstStep(state, setup, node);
}
BENCHMARK(FlatRun)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void DeleteResults(benchmark::State& state) {
  Setup setup(0);
  const std::string sql = "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<" +
                          std::to_string(state.range(0)) + ") SELECT 'Value '||i FROM r";
  tree::QueryNode& node = setup.addQuery("", sql, 1, false);
  for (auto _ : state) {
    if (!node.refresh(false)) state.SkipWithError("the run failed");
    const auto t0 = Clock::now();
    setup.panel->control().collapseAndReset(node.item());
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  state.counters["nodes_per_s"] = benchmark::Counter(
      static_cast<double>(state.range(0)) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(DeleteResults)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
