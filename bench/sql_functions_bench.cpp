// Cost of the SQL functions and the NaturalNoCase collation against SQLite's
// built-in equivalents, over an in-memory table of 200,000 generated tracks
// (titles with numbers, mixed case and some non-ASCII letters; durations).
//
// Each benchmark runs its query and a baseline query alternately in the same
// iterations and reports the counter `ratio` = own time / baseline time
// (the reported time is the own query's):
//   NaturalNoCase_vs_NOCASE             ORDER BY title COLLATE ...
//   FormatLength_vs_printf              format_length(x) vs printf('%d:%02d', ...)
//   Padl_vs_printf                      padl(title, 40) vs printf('%40s', title)
//   SortTitles/naturalCompare_vs_strnicmp   the comparison alone, in std::sort
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "db/natural_compare.h"
#include "db/sql_functions.h"

namespace {

constexpr int kRows = 200000;

std::vector<std::string> generateTitles(int count) {
  static const char* const kArtists[] = {
      "The Beatles", "björk",       "Sigur Rós", "AC/DC",      "Motörhead",       "Café Tacvba",
      "Beyoncé",     "Дельфин",     "a-ha",      "Nine Inch Nails", "Ólafur Arnalds", "MØ",
      "Queen",       "queen",       "2Pac",      "Blink-182",  "Sonic Youth",     "Mötley Crüe",
      "Pink Floyd",  "PINK FLOYD",  "Élodie",    "Zaz",        "Røyksopp",        "Massive Attack"};
  static const char* const kAlbums[] = {"Live at Wembley", "Greatest Hits", "Disc", "Vol.", "Part",
                                        "Remastered",      "Señorita",      "Über", "Night Songs",
                                        "night songs",     "Sessions",      "Demo"};
  static const char* const kWords[] = {"love", "Love", "night", "Nacht", "étoile", "Street", "blue",
                                       "Blue", "dream", "Fire",  "über",  "Song",   "song",   "Zoë"};
  std::mt19937 rng(2024);
  auto pick = [&rng](const auto& list) {
    return list[std::uniform_int_distribution<std::size_t>(0, std::size(list) - 1)(rng)];
  };
  std::uniform_int_distribution<int> disc(1, 20);
  std::uniform_int_distribution<int> track(1, 30);
  std::uniform_int_distribution<int> coin(0, 1);
  std::vector<std::string> titles;
  titles.reserve(count);
  char number[16];
  for (int n = 0; n < count; ++n) {
    std::string t = pick(kArtists);
    t += " - ";
    t += pick(kAlbums);
    std::snprintf(number, sizeof number, " %d - ", disc(rng));
    t += number;
    std::snprintf(number, sizeof number, coin(rng) ? "%02d " : "%d ", track(rng));
    t += number;
    t += pick(kWords);
    t += ' ';
    t += pick(kWords);
    titles.push_back(std::move(t));
  }
  return titles;
}

// The shared table, built once.
class Library {
 public:
  Library() : titles_(generateTitles(kRows)) {
    sqlite3_open(":memory:", &handle_);
    db::registerSqlFunctions(handle_);
    sqlite3_exec(handle_, "CREATE TABLE tracks(title TEXT, duration INTEGER)", nullptr, nullptr, nullptr);
    sqlite3_exec(handle_, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(handle_, "INSERT INTO tracks VALUES (?, ?)", -1, &insert, nullptr);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> duration(20, 5400);
    for (const std::string& title : titles_) {
      sqlite3_bind_text(insert, 1, title.data(), static_cast<int>(title.size()), SQLITE_STATIC);
      sqlite3_bind_int(insert, 2, duration(rng));
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(handle_, "COMMIT", nullptr, nullptr, nullptr);
  }
  ~Library() { sqlite3_close(handle_); }

  // Runs `sql` to the end; returns the elapsed seconds.
  double time(const char* sql) const {
    const auto start = std::chrono::steady_clock::now();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(handle_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(handle_));
      std::abort();
    }
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) ++rows;
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(rows);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  const std::vector<std::string>& titles() const { return titles_; }

 private:
  std::vector<std::string> titles_;
  sqlite3* handle_ = nullptr;
};

const Library& library() {
  static const Library instance;
  return instance;
}

// Times `own` and `baseline` alternately (so that drift hits both alike).
void compareQueries(benchmark::State& state, const char* own, const char* baseline) {
  const Library& lib = library();
  double own_total = 0;
  double baseline_total = 0;
  bool own_first = true;
  for (auto _ : state) {
    double own_time;
    if (own_first) {
      own_time = lib.time(own);
      baseline_total += lib.time(baseline);
    } else {
      baseline_total += lib.time(baseline);
      own_time = lib.time(own);
    }
    own_first = !own_first;
    own_total += own_time;
    state.SetIterationTime(own_time);
  }
  state.counters["ratio"] = own_total / baseline_total;
  state.counters["baseline_ms"] = baseline_total * 1e3 / static_cast<double>(state.iterations());
}

BENCHMARK_CAPTURE(compareQueries, NaturalNoCase_vs_NOCASE,
                  "SELECT title FROM tracks ORDER BY title COLLATE NaturalNoCase",
                  "SELECT title FROM tracks ORDER BY title COLLATE NOCASE")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(compareQueries, FormatLength_vs_printf, "SELECT format_length(duration) FROM tracks",
                  "SELECT printf('%d:%02d', duration / 60, duration % 60) FROM tracks")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(compareQueries, Padl_vs_printf, "SELECT padl(title, 40) FROM tracks",
                  "SELECT printf('%40s', title) FROM tracks")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// The comparison alone: sorting the titles in memory.
void sortTitles(benchmark::State& state) {
  const std::vector<std::string>& titles = library().titles();
  double own_total = 0;
  double baseline_total = 0;
  for (auto _ : state) {
    std::vector<std::string_view> keys(titles.begin(), titles.end());
    auto start = std::chrono::steady_clock::now();
    std::sort(keys.begin(), keys.end(), [](std::string_view a, std::string_view b) {
      const int c = sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(std::min(a.size(), b.size())));
      return c != 0 ? c < 0 : a.size() < b.size();
    });
    baseline_total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    keys.assign(titles.begin(), titles.end());
    start = std::chrono::steady_clock::now();
    std::sort(keys.begin(), keys.end(),
              [](std::string_view a, std::string_view b) { return db::naturalCompare(a, b) < 0; });
    const double own_time = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    own_total += own_time;
    state.SetIterationTime(own_time);
  }
  state.counters["ratio"] = own_total / baseline_total;
}
BENCHMARK(sortTitles)->Name("SortTitles/naturalCompare_vs_strnicmp")->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
