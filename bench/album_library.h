// A generated library for the benchmarks, and query nodes over it: ten tracks an album, five albums an
// artist, one artist in ten with a guest, some album artists and disc
// numbers. Deterministic for a given count.
#ifndef VOSTREL_BENCH_ALBUM_LIBRARY_H_
#define VOSTREL_BENCH_ALBUM_LIBRARY_H_

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "host/track.h"
#include "host/track_builder.h"
#include "tree/panel.h"
#include "tree/query_node.h"

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

// A query node below `panel`'s root with `levels` plain level options and no
// node limit, attached as a new node.
inline tree::QueryNode& addBenchQuery(tree::Panel& panel, const std::string& batch, const std::string& sql,
                                      int levels, bool omit_null) {
  auto node = std::make_unique<tree::QueryNode>(&panel, panel.nodeForItem(nullptr));
  tree::QueryDefinition& d = node->definition();
  d.sql_batch = batch;
  d.sql_query = sql;
  d.node_limit = std::numeric_limits<uint32_t>::max();
  d.omit_null_nodes = omit_null;
  for (int i = 0; i < levels; ++i) {
    tree::QueryResultNodeOption option;
    option.level = static_cast<uint8_t>(i + 1);
    option.name = "level " + std::to_string(i + 1);
    d.level_options.push_back(option);
  }
  return *static_cast<tree::QueryNode*>(panel.attach(std::move(node), true));
}

}  // namespace bench

#endif  // VOSTREL_BENCH_ALBUM_LIBRARY_H_
