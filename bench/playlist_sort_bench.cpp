// Sorting a playlist of 300,000 items and undoing the sort, against sorting
// the same keys in a plain vector.
//
// The playlist holds generated tracks whose titles ("Song 1234 of the
// Owls", in a shuffled order) are the sort keys, as a column of the playlist
// view hands them to the player. Each iteration:
//   baseline  std::stable_sort of a copy of the keys, in the same natural,
//             case-insensitive order
//   sort      Player::sortItems (order of the items, the playing item
//             followed, the step recorded as a permutation)
//   undo      Player::undo (the inverse permutation)
// Counters: the three times in ms, sort_ratio and undo_ratio (each time /
// the baseline's).
//
//   build/bench/playlist_sort_bench [--items=N]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "host/natural_compare.h"
#include "host/track_builder.h"
#include "player/player.h"

namespace {

std::size_t item_count = 300000;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Fixture {
  Fixture() {
    static const char* const kWords[] = {"Harbour", "owls",   "Machines", "Rivers",  "lanterns", "Saints",
                                         "Echoes",  "Horses", "Gardens",  "signals", "Wolves",   "Café"};
    std::mt19937 rng(4711);
    library::LibraryFile library;
    host::TrackBuilder builder;
    for (std::size_t i = 0; i < item_count; ++i) {
      const std::string title = "Song " + std::to_string(rng() % 100000) + " of the " + kWords[rng() % 12];
      builder.addMeta("TITLE", title);
      builder.setPath("file:///music/" + std::to_string(i) + ".flac");
      library.tracks.push_back(builder.build());
      keys.push_back(title);
    }
    dir = std::filesystem::temp_directory_path() / ("vostrel-sort-bench-" + std::to_string(::getpid()));
    profile::Profile profile(dir);
    profile::SettingsStore settings(profile.settingsFile());
    host::TrackList tracks = library.tracks;
    player = std::make_unique<player::Player>(std::move(profile), std::move(settings), std::move(library));
    const std::size_t list = player->createPlaylist("Big");
    player->insertItems(list, 0, tracks, false);
    player->playItem(list, item_count / 2);
  }
  ~Fixture() {
    player.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path dir;
  std::vector<std::string> keys;
  std::unique_ptr<player::Player> player;
};

void BM_SortAndUndo(benchmark::State& state) {
  Fixture fixture;
  const std::size_t list = fixture.player->playlistCount() - 1;
  double baseline = 0;
  double sorting = 0;
  double undoing = 0;
  for (auto _ : state) {
    std::vector<std::string> plain = fixture.keys;
    auto start = Clock::now();
    std::stable_sort(plain.begin(), plain.end(),
                     [](const std::string& a, const std::string& b) { return host::naturalCompare(a, b) < 0; });
    baseline += millisecondsSince(start);
    benchmark::DoNotOptimize(plain.data());

    start = Clock::now();
    fixture.player->sortItems(list, fixture.keys, false, "Title");
    sorting += millisecondsSince(start);

    start = Clock::now();
    if (!fixture.player->undo()) state.SkipWithError("undo failed");
    undoing += millisecondsSince(start);
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["items"] = static_cast<double>(item_count);
  state.counters["baseline_ms"] = baseline / n;
  state.counters["sort_ms"] = sorting / n;
  state.counters["undo_ms"] = undoing / n;
  state.counters["sort_ratio"] = sorting / baseline;
  state.counters["undo_ratio"] = undoing / baseline;
}
BENCHMARK(BM_SortAndUndo)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--items=", 8) == 0) {
      item_count = std::stoul(argv[i] + 8);
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
