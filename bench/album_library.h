// A generated library for the benchmarks: ten tracks an album, five albums an
// artist, one artist in ten with a guest, some album artists and disc
// numbers. Deterministic for a given count.
#ifndef VOSTREL_BENCH_ALBUM_LIBRARY_H_
#define VOSTREL_BENCH_ALBUM_LIBRARY_H_

#include <algorithm>
#include <random>
#include <string>

#include "host/track.h"
#include "host/track_builder.h"

namespace bench {

inline host::TrackList generateAlbumLibrary(int count) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> percent(0, 99);
  host::TrackList tracks;
  tracks.reserve(static_cast<std::size_t>(count));
  const int albums = std::max(1, count / 10);
  host::TrackBuilder builder;
  for (int i = 0; i < count; ++i) {
    const int album = i / 10 % albums;
    const int artist = album / 5;
    auto add = [&builder](const char* name, const std::string& value) { builder.addMeta(name, value); };
    add("artist", "Artist " + std::to_string(artist) + (percent(rng) < 10 ? " feat. Guest" : ""));
    if (album % 3 == 0) add("album artist", "Artist " + std::to_string(artist));
    add("album", "Album " + std::to_string(album));
    add("date", std::to_string(1960 + album % 60));
    if (album % 4 != 0) add("discnumber", std::to_string(1 + (i % 10) / 6));
    add("title", "Title " + std::to_string(i));
    builder.setPath("file:///music/" + std::to_string(i) + ".flac");
    tracks.push_back(builder.build());
  }
  return tracks;
}

}  // namespace bench

#endif  // VOSTREL_BENCH_ALBUM_LIBRARY_H_
