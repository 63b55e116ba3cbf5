// The bundled demo library loads and has the variety the examples rely on.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "host/track.h"
#include "library/library_file.h"
#include "player/playlists.h"

namespace player {
namespace {

const std::filesystem::path kDemo =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" / "demo-library.json";

host::FieldPtr tag(const host::Track& track, std::string_view name) {
  return track.hasInfo() ? track.findMeta(host::findField(name)) : nullptr;
}

TEST(DemoLibraryTest, LoadsWithTheVarietyItPromises) {
  const library::LibraryFile demo = library::loadLibraryFile(kDemo);
  ASSERT_GE(demo.tracks.size(), 1000u);
  std::set<std::string> artists, albums;
  int multi_artist = 0, multi_genre = 0, compilation = 0, second_disc = 0, undated = 0, gained = 0, bare = 0,
      non_ascii = 0, subsongs = 0;
  for (const host::TrackHandle& track : demo.tracks) {
    if (!track->hasInfo()) {
      ++bare;
      continue;
    }
    if (const auto artist = tag(*track, "ARTIST")) {
      for (std::string_view value : artist->values()) artists.emplace(value);
      multi_artist += artist->values().size() > 1;
    }
    if (const auto album = tag(*track, "Album")) albums.emplace(album->values()[0]);
    if (const auto genre = tag(*track, "genre")) multi_genre += genre->values().size() > 1;
    if (const auto album_artist = tag(*track, "album artist")) compilation += album_artist->values()[0] == "Various Artists";
    if (const auto disc = tag(*track, "discnumber")) second_disc += disc->values()[0] == "2";
    undated += tag(*track, "date") == nullptr;
    gained += track->replayGain().track_gain != -1000.0f;
    non_ascii += std::any_of(track->path().begin(), track->path().end(), [](char c) { return (c & 0x80) != 0; });
    subsongs += track->subsong() > 0;
    EXPECT_NE(track->findTech(host::findField("codec")), nullptr) << track->path();
  }
  EXPECT_GE(artists.size(), 40u);
  EXPECT_GE(albums.size(), 100u);
  for (int count : {multi_artist, multi_genre, compilation, second_disc, undated, gained, bare, non_ascii, subsongs}) {
    EXPECT_GT(count, 0);
  }
  // Two seed playlists whose items are library tracks, but for the one
  // deliberately outside it.
  ASSERT_EQ(demo.playlists.size(), 2u);
  const PlaylistSet seeded = resolvePlaylists(demo.playlists, demo.active_playlist, host::kNoPlaylist,
                                              TrackIndex(demo.tracks));
  int outside = 0;
  for (std::size_t p = 0; p < seeded.count(); ++p) {
    for (const host::TrackHandle& item : seeded.at(p).items) outside += !item->hasInfo();
  }
  EXPECT_EQ(outside, 1);
}

}  // namespace
}  // namespace player
