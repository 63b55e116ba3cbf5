// Cost of showing runs in a tree panel (model adaptor, view, painting,
// offscreen) against the same runs on a panel without a view.
//
//   AlbumShown/300000   the "Album" example query over a generated library,
//       refreshed interactively with its node expanded: in a TreePanel
//       (including the first paint afterwards) and on a bare tree::Panel,
//       alternated in the same iterations. Counter: ratio = shown / bare.
//   ExpandLarge/100000  expanding a node with 100,000 result children in the
//       panel, the view's first paint included; collapsed again between
//       iterations. Time per expansion.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <unistd.h>

#include <QApplication>

#include "album_library.h"
#include "bench_host.h"
#include "host/track_builder.h"
#include "db/open_steps.h"
#include "library_tables/library_tables.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/tree_schema.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_panel.h"
#include "ui/ui_host.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kAlbumQuery =
    "SELECT ifnull([album artist],artist) album_artist,\r\n       '['||date||'] '||album album_col,\r\n"
    "        (CASE WHEN discnumber THEN 'Disc '||discnumber ELSE NULL END) disc_number\r\nFROM MediaLibrary\r\n"
    "GROUP BY 1,album,discnumber\r\nORDER BY ifnull([album artist],artist) COLLATE NaturalNoCase,"
    "'['||date||'] '||album desc,discnumber";

class UiHost : public ui::UiHost {
 public:
  QWidget* mainWindow() const override { return nullptr; }
  QFont uiFont() const override { return QApplication::font(); }
  QColor uiColour(ui::UiColour c) const override {
    static const QColor colours[] = {Qt::black, Qt::white, Qt::black, Qt::white, QColor(0, 120, 215),
                                     QColor(200, 200, 200), QColor(160, 160, 160)};
    return colours[static_cast<int>(c)];
  }
  bool offerKey(uint32_t) override { return false; }
  bool openHelpPage(const QString&) override { return false; }
};

class Host : public bench::BenchHost {
 public:
  explicit Host(std::filesystem::path profile) : bench::BenchHost(std::move(profile)) {
    settings.overall_node_limit = std::numeric_limits<uint64_t>::max();
  }
  void pumpEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }
};

std::filesystem::path makeDir() {
  auto dir = std::filesystem::temp_directory_path() / ("vostrel-panel-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "configuration");
  return dir;
}

tree::QueryNode& addQuery(tree::Panel& panel, const std::string& sql, int levels) {
  return bench::addBenchQuery(panel, "", sql, levels, true);
}

// A TreePanel and a bare panel over one fresh profile.
struct Setup {
  explicit Setup(int tracks) : dir(makeDir()), host(dir) {
    host.library = std::make_shared<const host::TrackList>(bench::generateAlbumLibrary(tracks));
    library_tables::resetProcessState();
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    shown = std::make_unique<ui::TreePanel>(host, ui_host, std::span<const uint8_t>{},
                                            [](const std::string&) {});
    bare = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    if (!shown->panel().open() || !bare->open()) throw std::runtime_error("cannot open the database");
    shown->resize(400, 700);
    shown->show();
  }
  ~Setup() {
    shown.reset();
    bare.reset();
    library_tables::resetProcessState();
    std::filesystem::remove_all(dir);
  }
  void paint() {
    QCoreApplication::processEvents();
    shown->view()->viewport()->repaint();
  }

  std::filesystem::path dir;
  Host host;
  UiHost ui_host;
  std::unique_ptr<ui::TreePanel> shown;
  std::unique_ptr<tree::Panel> bare;
};

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void AlbumShown(benchmark::State& state) {
  Setup setup(static_cast<int>(state.range(0)));
  tree::QueryNode& in_view = addQuery(setup.shown->panel(), kAlbumQuery, 3);
  tree::QueryNode& alone = addQuery(*setup.bare, kAlbumQuery, 3);
  in_view.refresh(true);
  alone.refresh(true);
  setup.shown->panel().expandNode(in_view, true);
  setup.bare->expandNode(alone, true);
  setup.paint();
  double shown_seconds = 0;
  double bare_seconds = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    if (!alone.refresh(true)) state.SkipWithError("the bare run failed");
    bare_seconds += seconds(t0);
    t0 = Clock::now();
    setup.shown->runCommand(ui::kCommandRefresh, in_view);
    setup.paint();
    const double shown = seconds(t0);
    shown_seconds += shown;
    state.SetIterationTime(shown);
  }
  state.counters["ratio"] = shown_seconds / bare_seconds;
  state.counters["nodes"] = in_view.resultNodeCount();
}
BENCHMARK(AlbumShown)->Arg(300000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void ExpandLarge(benchmark::State& state) {
  Setup setup(0);
  const std::string sql = "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<" +
                          std::to_string(state.range(0)) + ") SELECT 'Value '||i FROM r";
  tree::QueryNode& node = addQuery(setup.shown->panel(), sql, 1);
  node.refresh(true);
  setup.paint();
  for (auto _ : state) {
    const auto t0 = Clock::now();
    setup.shown->panel().expandNode(node, true);
    setup.paint();
    state.SetIterationTime(seconds(t0));
    setup.shown->panel().expandNode(node, false);
    setup.paint();
  }
  state.counters["children"] = static_cast<double>(node.item()->childCount());
}
BENCHMARK(ExpandLarge)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
