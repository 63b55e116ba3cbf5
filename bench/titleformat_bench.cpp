// Title-formatting throughput over a generated library of 20,000 tracks
// held in memory (artist, album artist on about a quarter of them, album,
// title, tracknumber, date, genre).
//
// Each iteration makes two passes over the library: the baseline copies the
// raw album artist value (the album artist tag, else the artist) into a
// string; the measured pass formats every track with a compiled script into
// a reused string. Counters: tracks_per_s of the formatting pass,
// baseline_tracks_per_s, and ratio = formatting time / baseline time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "host/track.h"
#include "host/track_builder.h"
#include "player/titleformat/titleformat.h"

namespace {

constexpr int kTrackCount = 20000;

host::TrackList makeLibrary() {
  static const char* const kFirst[] = {"Blue", "Silver", "Midnight", "Electric", "Velvet", "Northern",
                                       "Crystal", "Golden", "Broken", "Wild", "Quiet", "Neon"};
  static const char* const kSecond[] = {"Harbour", "Owls", "Machines", "Rivers", "Lanterns", "Saints",
                                        "Echoes", "Horses", "Gardens", "Signals", "Wolves", "Café"};
  static const char* const kPrefix[] = {"", "", "", "The ", "A ", ""};
  static const char* const kGenres[] = {"Rock", "Jazz", "Electronic", "Folk", "Classical", "Hip-Hop",
                                        "Pop", "Ambient"};
  std::mt19937 rng(12345);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  host::TrackList library;
  library.reserve(kTrackCount);
  host::TrackBuilder builder;
  for (int i = 0; i < kTrackCount; ++i) {
    const std::string artist_name =
        std::string(kPrefix[pick(6)]) + kFirst[pick(12)] + " " + kSecond[pick(12)];
    const std::string album_name = std::string(kFirst[pick(12)]) + " " + kSecond[pick(12)];
    const int number = i % 14 + 1;
    builder.setLength(120 + pick(300));
    builder.addMeta("ARTIST", artist_name);
    if (pick(4) == 0) builder.addMeta("ALBUM ARTIST", pick(2) ? "Various Artists" : artist_name);
    builder.addMeta("ALBUM", album_name);
    builder.addMeta("TITLE", "Song " + std::to_string(i) + " of the " + kSecond[pick(12)]);
    builder.addMeta("TRACKNUMBER", std::to_string(number));
    builder.addMeta("DATE", std::to_string(1960 + pick(60)));
    builder.addMeta("GENRE", kGenres[pick(8)]);
    builder.setPath("file:///music/" + artist_name + "/" + album_name + "/" + std::to_string(number) + ".flac");
    library.push_back(builder.build());
  }
  return library;
}

const host::TrackList& library() {
  static const host::TrackList tracks = makeLibrary();
  return tracks;
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void formatLibrary(benchmark::State& state, const char* expression) {
  const host::TrackList& tracks = library();
  const player::titleformat::ScriptPtr script = player::titleformat::compile(expression);
  if (script == nullptr) {
    state.SkipWithError("the expression does not compile");
    return;
  }
  const host::FieldId album_artist = host::internField("album artist");
  const host::FieldId artist = host::internField("artist");
  std::string out;
  double own_total = 0;
  double baseline_total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    for (const host::TrackHandle& track : tracks) {
      host::FieldPtr field = track->findMeta(album_artist);
      if (field == nullptr) field = track->findMeta(artist);
      out.assign(field->values().front());
      benchmark::DoNotOptimize(out.data());
    }
    baseline_total += seconds(start);

    start = std::chrono::steady_clock::now();
    for (const host::TrackHandle& track : tracks) {
      player::titleformat::format(*script, *track, out);
      benchmark::DoNotOptimize(out.data());
    }
    const double own_time = seconds(start);
    own_total += own_time;
    state.SetIterationTime(own_time);
  }
  const double processed = static_cast<double>(state.iterations()) * tracks.size();
  state.counters["tracks_per_s"] = processed / own_total;
  state.counters["baseline_tracks_per_s"] = processed / baseline_total;
  state.counters["ratio"] = own_total / baseline_total;
}

BENCHMARK_CAPTURE(formatLibrary, AlbumArtist, "[%album artist%]")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(formatLibrary, StripPrefix, "$stripprefix(%album artist%)")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(formatLibrary, TypicalColumn, "[%album artist% - ][%date% - ]$num(%tracknumber%,2). %title%")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
