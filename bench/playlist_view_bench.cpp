// The playlist view with 300,000 items: a click on the Title header (the
// keys taken from the view's column, the player's sort, the view updated
// and painted), Edit > Undo of it, and a scroll from the top to the end and
// back, each painted, against sorting the same keys in a plain vector.
//
//   ViewSortUndoScroll  counters: baseline_ms, sort_ms, undo_ms, scroll_ms and
//                       their ratios to the baseline.
//
// Run offscreen: QT_QPA_PLATFORM=offscreen build/bench/playlist_view_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "desktop/player_signals.h"
#include "desktop/playlist_sorting.h"
#include "desktop/playlist_tabs.h"
#include "host/natural_compare.h"
#include "host/track_builder.h"
#include "player/player.h"

namespace {

constexpr std::size_t kItems = 300000;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void paint(QTableView& view) {
  view.viewport()->repaint();
  QCoreApplication::processEvents();
}

void ViewSortUndoScroll(benchmark::State& state) {
  static const char* const kWords[] = {"Harbour", "owls", "Machines", "Rivers", "lanterns", "Saints"};
  std::mt19937 rng(4711);
  library::LibraryFile library;
  host::TrackBuilder builder;
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < kItems; ++i) {
    const std::string title = "Song " + std::to_string(rng() % 100000) + " of the " + kWords[rng() % 6];
    builder.addMeta("TITLE", title);
    builder.addMeta("ARTIST", "Artist " + std::to_string(rng() % 3000));
    builder.setPath("file:///music/" + std::to_string(i) + ".flac");
    library.tracks.push_back(builder.build());
    keys.push_back(title);
  }
  const auto dir = std::filesystem::temp_directory_path() / ("vostrel-view-bench-" + std::to_string(::getpid()));
  {
    profile::Profile profile(dir);
    profile::SettingsStore settings(profile.settingsFile());
    const host::TrackList tracks = library.tracks;
    player::Player player(std::move(profile), std::move(settings), std::move(library));
    desktop::PlayerSignals signals_(player);
    desktop::PlaylistTabs tabs(player, signals_);
    tabs.resize(1000, 700);
    tabs.show();
    const std::size_t list = player.createPlaylist("Big");
    player.insertItems(list, 0, tracks, false);
    player.setActivePlaylist(list);
    QCoreApplication::processEvents();
    QTableView& view = *tabs.view(list);
    int title = -1;
    for (int c = 0; c < view.model()->columnCount(); ++c) {
      if (view.model()->headerData(c, Qt::Horizontal).toString() == "Title") title = c;
    }
    if (title < 0) return state.SkipWithError("no Title column");
    paint(view);

    double baseline = 0, sorting = 0, undoing = 0, scrolling = 0;
    for (auto _ : state) {
      std::vector<std::string> plain = keys;
      auto start = Clock::now();
      std::stable_sort(plain.begin(), plain.end(),
                       [](const std::string& a, const std::string& b) { return host::naturalCompare(a, b) < 0; });
      baseline += millisecondsSince(start);
      benchmark::DoNotOptimize(plain.data());

      start = Clock::now();
      emit view.horizontalHeader()->sectionClicked(title);
      paint(view);
      sorting += millisecondsSince(start);

      start = Clock::now();
      if (!player.undo()) return state.SkipWithError("undo failed");
      paint(view);
      undoing += millisecondsSince(start);

      start = Clock::now();
      view.scrollToBottom();
      paint(view);
      view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
      paint(view);
      view.scrollToTop();
      paint(view);
      scrolling += millisecondsSince(start);
    }
    state.counters["baseline_ms"] = baseline / static_cast<double>(state.iterations());
    state.counters["sort_ms"] = sorting / static_cast<double>(state.iterations());
    state.counters["undo_ms"] = undoing / static_cast<double>(state.iterations());
    state.counters["scroll_ms"] = scrolling / static_cast<double>(state.iterations());
    state.counters["sort_ratio"] = sorting / baseline;
    state.counters["undo_ratio"] = undoing / baseline;
    state.counters["scroll_ratio"] = scrolling / baseline;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
BENCHMARK(ViewSortUndoScroll)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
