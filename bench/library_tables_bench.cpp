// The library tables against SQLite's own tables, on generated libraries of
// 100,000 and 1,000,000 tracks held in memory.
//
// Times are the running thread's CPU time. Each benchmark runs one query on
// MediaLibrary and the same query on a native table made with CREATE TABLE
// ... AS SELECT from MediaLibrary, in the same iteration, and reports:
//   vtab_ms, native_ms   time of one run of each
//   ratio                vtab time / native time (goal: 1.5, 1.3 for GROUP BY)
//   ns_per_track         vtab time per library track
// CountAll reads no column: the cost of the per-cursor snapshot and the scan.
// The split benchmark compares the cost per produced row of a split
// multi-value genre column with the joined genre column (split_row_cost).
// The tf benchmark formats $stripprefix(%album artist%) per row with the
// player's title formatting and also reports the time of formatting the
// same tracks directly (format_only_ms). Memory: peak_rss_mb (ru_maxrss) and
// scan_rss_mb (resident growth) of a full scan reading MetaDb_Handle.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/open_steps.h"
#include "bench_host.h"
#include "host/host.h"
#include "host/track_builder.h"
#include "library_tables/column_store.h"
#include "library_tables/handle_table.h"
#include "library_tables/library_tables.h"
#include "library_tables/metadb_module.h"
#include "player/titleformat/titleformat.h"

namespace {

// Times are the thread's CPU time: the machine is shared, and wall time
// would measure the neighbours as much as the queries.
struct Clock {
  using duration = std::chrono::nanoseconds;
  using time_point = std::chrono::time_point<Clock, duration>;
  static time_point now() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return time_point(duration(static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec));
  }
};
using library_tables::ColumnType;
using library_tables::TableType;

// A host with an in-memory library and the player's title formatting.
using bench::BenchHost;

host::TrackList makeLibrary(std::size_t count) {
  static const char* const kFirst[] = {"Blue", "Silver", "Midnight", "Electric", "Velvet", "Northern", "Crystal",
                                       "Golden", "Broken", "Wild", "Quiet", "Neon", "Paper", "Hollow"};
  static const char* const kSecond[] = {"Harbour", "Owls", "Machines", "Rivers", "Lanterns", "Saints", "Echoes",
                                        "Horses", "Gardens", "Signals", "Wolves", "Café", "Tides"};
  static const char* const kPrefix[] = {"", "", "", "The ", "A ", ""};
  static const char* const kGenres[] = {"Rock", "Jazz", "Electronic", "Folk", "Classical", "Hip-Hop",
                                        "Pop", "Ambient", "Metal", "Soul", "Blues", "Indie"};
  std::mt19937 rng(20240501);
  auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  auto artistName = [&] {
    return std::string(kPrefix[pick(6)]) + kFirst[pick(14)] + " " + kSecond[pick(13)] + " " +
           std::to_string(pick(400));
  };
  host::TrackList tracks;
  host::TrackBuilder builder;
  tracks.reserve(count);
  std::string album_name;
  std::string album_artist_name;
  std::vector<std::string> genres;
  std::string year;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t number = i % 12 + 1;
    if (number == 1) {
      // A new album: 12 tracks that share album, artist, genres and date.
      album_name = std::string(kFirst[pick(14)]) + " " + kSecond[pick(13)] + " " + std::to_string(pick(100));
      album_artist_name = pick(8) == 0 ? "Various Artists" : artistName();
      genres.assign(1, kGenres[pick(12)]);
      if (pick(5) == 0) genres.push_back(kGenres[pick(12)]);
      if (pick(20) == 0) genres.push_back(kGenres[pick(12)]);
      year = std::to_string(1960 + pick(64));
    }
    builder.setLength(120.0 + static_cast<double>(pick(300)));
    builder.addMeta("ARTIST", album_artist_name == "Various Artists" ? artistName() : album_artist_name);
    if (pick(10) == 0) builder.addMeta("ARTIST", artistName());
    if (album_artist_name == "Various Artists") builder.addMeta("ALBUM ARTIST", album_artist_name);
    builder.addMeta("ALBUM", album_name);
    builder.addMeta("TITLE", "Song " + std::to_string(i % 1000) + " of the " + kSecond[pick(13)]);
    builder.addMeta("TRACKNUMBER", std::to_string(number));
    builder.addMeta("DATE", year);
    for (const std::string& name : genres) builder.addMeta("GENRE", name);
    builder.addTech("codec", "FLAC");
    builder.setPath("file:///music/" + album_artist_name + "/" + album_name + "/" + std::to_string(number) + ".flac");
    builder.setSize(20000000 + pick(30000000));
    builder.setMtime(1500000000 + static_cast<int64_t>(pick(100000000)));
    tracks.push_back(builder.build());
  }
  return tracks;
}

// One library, one connection with the library tables, native copies.
struct Fixture {
  explicit Fixture(std::size_t count) {
    char pattern[] = "/tmp/vostrel-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    dir = pattern;
    std::filesystem::create_directories(dir / "configuration");
    host = std::make_unique<BenchHost>(dir);
    host->library = std::make_shared<const host::TrackList>(makeLibrary(count));
    db::setSchemaReady(false);
    library_tables::resetProcessState();
    db::installOpenSteps({nullptr, &library_tables::setUpLibraryTables});
    db = std::make_unique<db::SQLiteDatabase>(*host);
    if (!db->Open()) std::abort();
    addSplitGenreColumn();
    db->Execute("CREATE TABLE t AS SELECT artist, album, title, genre FROM MediaLibrary");
    db->Execute("CREATE TABLE ts AS SELECT genre_split FROM MediaLibrary");
    db->Execute("CREATE TABLE tf_t AS SELECT tf(metadb_handle,'$stripprefix(%album artist%)') AS x FROM MediaLibrary");
    library_tables::HandleTable::instance().clear();
  }
  ~Fixture() {
    db.reset();
    library_tables::resetProcessState();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  void addSplitGenreColumn() {
    auto& store = library_tables::VTabColumnStore::instance();
    library_tables::VTabColumns columns;
    library_tables::copyColumns(store.columns(TableType::kMediaLibrary, *db, false), columns);
    auto& split = columns.emplace(*host, "NaturalNoCase", "genre_split", ColumnType::kTag, false, "",
                                  std::string(library_tables::kDefaultSeparator), "genre", "");
    split.setSplitMultiValueTag(true);
    store.replaceColumns(TableType::kMediaLibrary, columns, *db);
    library_tables::rebuildVirtualTables(*db);
  }

  std::filesystem::path dir;
  std::unique_ptr<BenchHost> host;
  std::unique_ptr<db::SQLiteDatabase> db;
};

// Destroyed explicitly before main returns: the fixture uses the library
// tables' process-wide state, which static destruction may already have
// taken down.
std::unique_ptr<Fixture> current;
std::size_t current_count = 0;

Fixture& fixture(std::size_t count) {
  if (!current || current_count != count) {
    current.reset();
    current = std::make_unique<Fixture>(count);
    current_count = count;
  }
  return *current;
}

// Runs `sql` to the end, reading every column as SQLite hands it to a
// caller; returns the number of rows and adds the elapsed time.
int64_t run(sqlite3* handle, const std::string& sql, double& seconds) {
  const Clock::time_point start = Clock::now();
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(handle));
    std::abort();
  }
  int64_t rows = 0;
  int64_t bytes = 0;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    ++rows;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      if (sqlite3_column_type(stmt, i) == SQLITE_TEXT) {
        sqlite3_column_text(stmt, i);
        bytes += sqlite3_column_bytes(stmt, i);
      }
    }
  }
  if (rc != SQLITE_DONE) {
    std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(handle));
    std::abort();
  }
  sqlite3_finalize(stmt);
  benchmark::DoNotOptimize(bytes);
  seconds += std::chrono::duration<double>(Clock::now() - start).count();
  return rows;
}

void compare(benchmark::State& state, const std::string& vtab_sql, const std::string& native_sql) {
  Fixture& f = fixture(static_cast<std::size_t>(state.range(0)));
  double vtab = 0;
  double native = 0;
  for (auto _ : state) {
    const double before = vtab;
    run(f.db->handle(), vtab_sql, vtab);
    run(f.db->handle(), native_sql, native);
    library_tables::HandleTable::instance().clear();
    state.SetIterationTime(vtab - before);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["vtab_ms"] = vtab / n * 1e3;
  state.counters["native_ms"] = native / n * 1e3;
  state.counters["ratio"] = vtab / native;
  state.counters["ns_per_track"] = vtab / n / static_cast<double>(state.range(0)) * 1e9;
}

void BM_ScanThreeTags(benchmark::State& state) {
  compare(state, "SELECT artist, album, title FROM MediaLibrary", "SELECT artist, album, title FROM t");
}

// No column read: the cost of the snapshot and the scan alone. The native
// side counts with the same full scan (count(*) alone would use the b-tree's
// row count).
void BM_CountAll(benchmark::State& state) {
  compare(state, "SELECT count(*) FROM MediaLibrary WHERE rowid >= 0", "SELECT count(*) FROM t WHERE rowid >= 0");
}

void BM_CountGenre(benchmark::State& state) {
  compare(state, "SELECT count(*) FROM MediaLibrary WHERE genre = 'Rock'",
          "SELECT count(*) FROM t WHERE genre = 'Rock'");
}

void BM_GroupByArtist(benchmark::State& state) {
  compare(state, "SELECT artist, count(*) FROM MediaLibrary GROUP BY artist COLLATE NaturalNoCase",
          "SELECT artist, count(*) FROM t GROUP BY artist COLLATE NaturalNoCase");
}

void BM_SplitGenre(benchmark::State& state) {
  Fixture& f = fixture(static_cast<std::size_t>(state.range(0)));
  double split = 0;
  double joined = 0;
  double native = 0;
  int64_t split_rows = 0;
  int64_t joined_rows = 0;
  for (auto _ : state) {
    const double before = split;
    split_rows = run(f.db->handle(), "SELECT genre_split FROM MediaLibrary", split);
    joined_rows = run(f.db->handle(), "SELECT genre FROM MediaLibrary", joined);
    run(f.db->handle(), "SELECT genre_split FROM ts", native);
    state.SetIterationTime(split - before);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(split_rows);
  state.counters["joined_rows"] = static_cast<double>(joined_rows);
  state.counters["ns_per_row"] = split / n / static_cast<double>(split_rows) * 1e9;
  state.counters["joined_ns_per_row"] = joined / n / static_cast<double>(joined_rows) * 1e9;
  state.counters["split_row_cost"] =
      (split / static_cast<double>(split_rows)) / (joined / static_cast<double>(joined_rows));
  state.counters["ratio"] = split / native;
}

void BM_TfStripPrefix(benchmark::State& state) {
  Fixture& f = fixture(static_cast<std::size_t>(state.range(0)));
  const std::string expression = "$stripprefix(%album artist%)";
  const auto script = player::titleformat::compile(expression);
  double vtab = 0;
  double native = 0;
  double format_only = 0;
  int64_t rows = 0;
  std::string out;
  for (auto _ : state) {
    const double before = vtab;
    rows = run(f.db->handle(), "SELECT tf(metadb_handle,'" + expression + "') FROM MediaLibrary", vtab);
    run(f.db->handle(), "SELECT x FROM tf_t", native);
    library_tables::HandleTable::instance().clear();
    const Clock::time_point start = Clock::now();
    for (const host::TrackHandle& track : *f.host->library) {
      player::titleformat::format(*script, *track, out);
      benchmark::DoNotOptimize(out.data());
    }
    format_only += std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(vtab - before);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["vtab_ms"] = vtab / n * 1e3;
  state.counters["native_ms"] = native / n * 1e3;
  state.counters["format_only_ms"] = format_only / n * 1e3;
  state.counters["ratio"] = vtab / native;
  state.counters["ns_per_row"] = vtab / n / static_cast<double>(rows) * 1e9;
}

double residentMb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BM_HandleScanMemory(benchmark::State& state) {
  Fixture& f = fixture(static_cast<std::size_t>(state.range(0)));
  double seconds = 0;
  double before = 0;
  double after = 0;
  for (auto _ : state) {
    library_tables::HandleTable::instance().clear();
    before = residentMb();
    const double start = seconds;
    run(f.db->handle(), "SELECT MetaDb_Handle FROM MediaLibrary", seconds);
    after = residentMb();
    state.SetIterationTime(seconds - start);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["scan_rss_mb"] = after - before;
  state.counters["handles"] = static_cast<double>(library_tables::HandleTable::instance().size());
  library_tables::HandleTable::instance().clear();
}

void sizes(benchmark::internal::Benchmark* b, int64_t count, int iterations) {
  b->Arg(count)->Iterations(iterations)->UseManualTime()->Unit(benchmark::kMillisecond);
}

#define VOSTREL_LIBRARY_BENCH(name, count, iterations) \
  BENCHMARK(name)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, count, iterations); })

// All 100,000-track runs first, then the 1,000,000-track runs, so that each
// library is built once.
VOSTREL_LIBRARY_BENCH(BM_ScanThreeTags, 100000, 10);
VOSTREL_LIBRARY_BENCH(BM_CountAll, 100000, 10);
VOSTREL_LIBRARY_BENCH(BM_CountGenre, 100000, 10);
VOSTREL_LIBRARY_BENCH(BM_GroupByArtist, 100000, 5);
VOSTREL_LIBRARY_BENCH(BM_SplitGenre, 100000, 10);
VOSTREL_LIBRARY_BENCH(BM_TfStripPrefix, 100000, 5);
VOSTREL_LIBRARY_BENCH(BM_HandleScanMemory, 1000000, 1);
VOSTREL_LIBRARY_BENCH(BM_ScanThreeTags, 1000000, 3);
VOSTREL_LIBRARY_BENCH(BM_CountAll, 1000000, 3);
VOSTREL_LIBRARY_BENCH(BM_CountGenre, 1000000, 3);
VOSTREL_LIBRARY_BENCH(BM_GroupByArtist, 1000000, 2);
VOSTREL_LIBRARY_BENCH(BM_SplitGenre, 1000000, 3);
VOSTREL_LIBRARY_BENCH(BM_TfStripPrefix, 1000000, 2);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  current.reset();
  benchmark::Shutdown();
  return 0;
}
