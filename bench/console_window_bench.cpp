// The console window's run of `SELECT * FROM MediaLibrary` against the same
// run written as TSV to nowhere (what `vostrel sql --format tsv > /dev/null`
// does), over a generated library, with the row limit above the row count.
//
//   ConsoleRun/300000   counters: ratio = window run time / TSV run time
//       (alternated in the same iterations; the window's time includes the
//       view laying out and painting the shown rows); rows = rows shown.
//
// Run offscreen: QT_QPA_PLATFORM=offscreen bench/console_window_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <unistd.h>

#include <QApplication>
#include <QTableView>

#include "album_library.h"
#include "bench_host.h"
#include "console/console_run.h"
#include "console/result_formats.h"
#include "db/database.h"
#include "db/open_steps.h"
#include "library_tables/library_tables.h"
#include "tree/tree_schema.h"
#include "host/track_builder.h"
#include "ui/console_window.h"
#include "ui/result_model.h"
#include "ui/sql_editor.h"

namespace {

constexpr const char* kScript = "SELECT * FROM MediaLibrary";

struct NullBuffer : std::streambuf {
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

using Clock = std::chrono::steady_clock;

void ConsoleRun(benchmark::State& state) {
  const int tracks = static_cast<int>(state.range(0));
  const auto dir = std::filesystem::temp_directory_path() / ("vostrel-console-bench-" + std::to_string(getpid()));
  {
    bench::BenchHost host(dir);
    host.library = std::make_shared<const host::TrackList>(bench::generateAlbumLibrary(tracks));
    host.settings.console_row_limit = 1'000'000;
    library_tables::resetProcessState();
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});

    ui::ConsoleWindow window(host);
    window.resize(900, 700);
    window.show();
    window.editor().setText(QString::fromLatin1(kScript));
    db::SQLiteDatabase tsv_db(host);
    console::ConsoleRun tsv_run(tsv_db);
    NullBuffer null_buffer;
    std::ostream null_out(&null_buffer);

    double window_seconds = 0;
    double tsv_seconds = 0;
    for (auto _ : state) {
      auto start = Clock::now();
      window.execute();
      window.results().viewport()->repaint();
      QCoreApplication::processEvents();
      window_seconds += std::chrono::duration<double>(Clock::now() - start).count();

      start = Clock::now();
      auto writer = console::makeResultWriter(console::ResultFormat::kTsv, null_out);
      tsv_run.run(kScript, *writer);
      writer->finish();
      tsv_seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["ratio"] = window_seconds / tsv_seconds;
    state.counters["rows"] = window.results().model()->rowCount();
    state.counters["window_s"] = window_seconds / static_cast<double>(state.iterations());
    state.counters["tsv_s"] = tsv_seconds / static_cast<double>(state.iterations());
    db::installOpenSteps({});
    library_tables::resetProcessState();
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(ConsoleRun)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
