// The console's Chart tab drawing the most rows a chart keeps
// (console::kChartRowCap): building the chart and painting it once, as the
// user waits for it when the tab comes to the front after a run.
//
//   ChartBuild/0   bars: a text label and a count per row
//   ChartBuild/1   lines: a number and a count per row
//   counters: build_ms = building the chart, paint_ms = its first paint
//
// Run offscreen: QT_QPA_PLATFORM=offscreen bench/chart_panel_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <string>

#include "console/chart_data.h"
#include "db/property.h"
#include "ui/chart_panel.h"

namespace {

using Clock = std::chrono::steady_clock;

void fill(console::ChartData& data, bool text_labels) {
  data.beginResult({"label", "count"});
  for (uint64_t r = 1; r <= console::kChartRowCap; ++r) {
    db::SQLiteColumns row;
    const std::string label = text_labels ? "genre " + std::to_string(r) : std::to_string(r);
    if (text_labels) {
      row.emplace("label", label);
    } else {
      row.emplace("label", static_cast<int64_t>(r));
    }
    row.emplace("count", static_cast<int64_t>(r % 97));
    data.addRow(r, row, {label, std::to_string(r % 97)});
  }
}

void ChartBuild(benchmark::State& state) {
  console::ChartData data;
  fill(data, state.range(0) == 0);
  ui::ChartPanel panel;
  panel.resize(900, 500);
  panel.show();
  panel.setData(&data);
  double build_ms = 0;
  double paint_ms = 0;
  for (auto _ : state) {
    panel.refresh();
    build_ms += panel.lastBuildMilliseconds();
    const auto start = Clock::now();
    panel.chartView().grab();  // renders the whole view, as a first paint does
    paint_ms += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }
  state.counters["build_ms"] = build_ms / static_cast<double>(state.iterations());
  state.counters["paint_ms"] = paint_ms / static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(panel.drawnRows());
}
BENCHMARK(ChartBuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
