// The panel's search against the refresh it narrows, on a generated library
// of 300,000 tracks, with the example tree's "Album" node (its limits raised
// so that nothing is cut).
//
// Each iteration, in this order:
//   unfiltered   the search cleared: "Album" runs over the whole library
//   set          the matching tracks of a fresh filter for the text (the
//                folded index is made once, before the first iteration)
//   filtered     the search set to the text: the matching set and the
//                "Album" run under it, as a keystroke costs
// Counters: set_ratio = set / unfiltered (goal: at most 0.2),
// filtered_ratio = filtered / unfiltered (goal: at most 1), matches =
// tracks found; index_ms = folding the whole library once, update_ms =
// making the index follow a library in which 1,000 tracks changed.
//
//   Search/0  "\"artist 1234\""  (a phrase: one artist's 50 tracks)
//   Search/1  "artist 12"        (two words: 12% of the tracks)
//   Search/2  "title 7"          (63%)
//   Search/3  "artist"           (every track: the most a search can cost)
// Times are the running thread's CPU time: the machine is shared.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "album_library.h"
#include "bench_host.h"
#include "db/open_steps.h"
#include "library_tables/library_tables.h"
#include "library_tables/track_search.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/tree_loader.h"
#include "tree/tree_schema.h"

namespace {

constexpr int kTracks = 300000;
constexpr const char* kTexts[] = {"\"artist 1234\"", "artist 12", "title 7", "artist"};

double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A panel with the example tree over the generated library, its "Album"
// node run once.
struct Setup {
  Setup() : dir(makeDir()), host(dir) {
    host.settings.overall_node_limit = std::numeric_limits<uint64_t>::max();
    host.library = std::make_shared<const host::TrackList>(bench::generateAlbumLibrary(kTracks));
    library_tables::resetProcessState();
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    if (!panel->open() || !tree::loadTree(*panel)) throw std::runtime_error("cannot load the example tree");
    for (tree::QueryNode* query : panel->queries()) {
      if (query->label() == "Album") album = query;
    }
    if (album == nullptr) throw std::runtime_error("no Album node");
    album->definition().node_limit = std::numeric_limits<uint32_t>::max();
    if (!album->refresh(false)) throw std::runtime_error("Album does not run");

    double start = cpuSeconds();
    library_tables::SearchIndex::instance().update(host.library);
    index_seconds = cpuSeconds() - start;
    // 1,000 tracks replaced by new records, spread over the library.
    host::TrackList changed = *host.library;
    host::TrackList fresh = bench::generateAlbumLibrary(1000);
    for (std::size_t i = 0; i < fresh.size(); ++i) changed[i * (changed.size() / fresh.size())] = fresh[i];
    auto changed_list = std::make_shared<const host::TrackList>(std::move(changed));
    start = cpuSeconds();
    library_tables::SearchIndex::instance().update(changed_list);
    update_seconds = cpuSeconds() - start;
    library_tables::SearchIndex::instance().update(host.library);
  }
  ~Setup() {
    panel.reset();
    library_tables::resetProcessState();
    std::filesystem::remove_all(dir);
  }
  static std::filesystem::path makeDir() {
    return std::filesystem::temp_directory_path() / ("vostrel-search-bench-" + std::to_string(getpid()));
  }

  std::filesystem::path dir;
  bench::BenchHost host;
  std::unique_ptr<tree::Panel> panel;
  tree::QueryNode* album = nullptr;
  double index_seconds = 0;
  double update_seconds = 0;
};

Setup& setup() {
  static Setup instance;
  return instance;
}

void Search(benchmark::State& state) {
  Setup& s = setup();
  const std::string text = kTexts[state.range(0)];
  double unfiltered = 0;
  double set = 0;
  double filtered = 0;
  std::size_t matches = 0;
  // Each iteration starts filtered, so that clearing runs "Album" again.
  s.panel->setSearchText(text);
  for (auto _ : state) {
    const double t0 = cpuSeconds();
    if (!s.panel->setSearchText("")) state.SkipWithError("the unfiltered run failed");
    const double t1 = cpuSeconds();
    auto filter = library_tables::makeTrackFilter(text);
    matches = filter->apply(s.host.library).tracks->size();
    const double t2 = cpuSeconds();
    if (!s.panel->setSearchText(text)) state.SkipWithError("the filtered run failed");
    const double t3 = cpuSeconds();
    unfiltered += t1 - t0;
    set += t2 - t1;
    filtered += t3 - t2;
    state.SetIterationTime(t3 - t2);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["unfiltered_ms"] = unfiltered / n * 1e3;
  state.counters["set_ms"] = set / n * 1e3;
  state.counters["filtered_ms"] = filtered / n * 1e3;
  state.counters["set_ratio"] = set / unfiltered;
  state.counters["filtered_ratio"] = filtered / unfiltered;
  state.counters["matches"] = static_cast<double>(matches);
  state.counters["index_ms"] = s.index_seconds * 1e3;
  state.counters["update_ms"] = s.update_seconds * 1e3;
}
BENCHMARK(Search)->DenseRange(0, 3)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
