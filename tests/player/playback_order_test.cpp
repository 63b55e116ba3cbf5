// The playback orders: where Next, Previous and the end of a track lead, the
// shuffles' coverage and album grouping, and the order kept by the player.
#include "player/playback_order.h"

#include <algorithm>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "library/library_file.h"
#include "player/player.h"
#include "support/fake_host.h"

namespace player {
namespace {

constexpr std::size_t kNo = PlaybackSequence::kNoItem;

// Six tracks: albums X (a, b, c) and Y (d, e) by one artist, then one without an album.
host::TrackList sixTracks() {
  return library::parseLibraryFile(R"({"tracks": [
    {"path": "/m/a", "meta": {"artist": "P", "album": "X"}},
    {"path": "/m/d", "meta": {"artist": "P", "album": "Y"}},
    {"path": "/m/b", "meta": {"artist": "P", "album": "X"}},
    {"path": "/m/e", "meta": {"artist": "Q", "album artist": "P", "album": "Y"}},
    {"path": "/m/c", "meta": {"artist": "P", "album": "X"}},
    {"path": "/m/f"}]})",
                                   "lib.json")
      .tracks;
}

struct Step {
  PlaybackOrder order;
  std::size_t current;
  Advance advance;
  std::size_t next;
  std::size_t previous;
};

class ListOrderTest : public ::testing::TestWithParam<Step> {};

TEST_P(ListOrderTest, MovesThroughThePlaylist) {
  const Step& step = GetParam();
  PlaybackSequence sequence;
  sequence.reset(step.order, sixTracks(), step.current, 1);
  EXPECT_EQ(sequence.next(step.current, step.advance), step.next);
  EXPECT_EQ(sequence.previous(step.current, step.advance), step.previous);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, ListOrderTest,
    ::testing::Values(Step{PlaybackOrder::kDefault, 0, Advance::kUser, 1, kNo},
                      Step{PlaybackOrder::kDefault, 5, Advance::kTrackEnded, kNo, 4},
                      Step{PlaybackOrder::kRepeatPlaylist, 5, Advance::kTrackEnded, 0, 4},
                      Step{PlaybackOrder::kRepeatPlaylist, 0, Advance::kUser, 1, 5},
                      Step{PlaybackOrder::kRepeatTrack, 3, Advance::kTrackEnded, 3, 3},
                      Step{PlaybackOrder::kRepeatTrack, 5, Advance::kUser, 0, 4},
                      Step{PlaybackOrder::kRepeatTrack, 0, Advance::kUser, 1, 5}));

// Follows a shuffle from its start to where it stops.
std::vector<std::size_t> walk(const PlaybackSequence& sequence, std::size_t start) {
  std::vector<std::size_t> seen;
  for (std::size_t item = start; item != kNo && seen.size() < 20; item = sequence.next(item, Advance::kTrackEnded)) {
    seen.push_back(item);
  }
  return seen;
}

TEST(ShuffleTest, ShuffleTracksPlaysEveryItemOnceFromTheStartedOneThenStops) {
  std::set<std::vector<std::size_t>> orders;
  for (uint32_t seed = 0; seed < 8; ++seed) {
    PlaybackSequence sequence;
    sequence.reset(PlaybackOrder::kShuffleTracks, sixTracks(), 2, seed);
    const std::vector<std::size_t> seen = walk(sequence, 2);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen.front(), 2u);
    EXPECT_EQ(std::set<std::size_t>(seen.begin(), seen.end()).size(), 6u);
    EXPECT_EQ(sequence.previous(2, Advance::kUser), kNo);
    EXPECT_EQ(sequence.previous(seen[3], Advance::kUser), seen[2]);
    orders.insert(seen);
  }
  EXPECT_GT(orders.size(), 1u);  // the seed matters
}

TEST(ShuffleTest, ShuffleAlbumsKeepsEachAlbumTogetherInPlaylistOrder) {
  for (uint32_t seed = 0; seed < 8; ++seed) {
    PlaybackSequence sequence;
    sequence.reset(PlaybackOrder::kShuffleAlbums, sixTracks(), 2, seed);
    const std::vector<std::size_t> seen = walk(sequence, 2);
    ASSERT_EQ(seen.size(), 6u) << "seed " << seed;
    // Started at b: the rest of album X (c), then the other albums whole,
    // then X's a, which came before the started item.
    EXPECT_EQ(seen[1], 4u);
    EXPECT_EQ(seen.back(), 0u);
    const auto d = std::find(seen.begin(), seen.end(), 1u);
    ASSERT_NE(d + 1, seen.end());
    EXPECT_EQ(*(d + 1), 3u) << "album Y (by album artist) plays as one";
  }
}

TEST(PlaybackOrderTest, NamesRoundTripAndUnknownNamesAreRefused) {
  for (PlaybackOrder order : kPlaybackOrders) EXPECT_EQ(parsePlaybackOrder(playbackOrderName(order)), order);
  EXPECT_EQ(parsePlaybackOrder("Shuffle"), std::nullopt);
}

class PlayerOrderTest : public ::testing::Test {
 protected:
  std::unique_ptr<Player> open() {
    profile::Profile profile(dir_.path() / "profile");
    profile::SettingsStore settings(profile.settingsFile());
    auto player = std::make_unique<Player>(std::move(profile), std::move(settings),
                                           library::parseLibraryFile(R"({"tracks": [
      {"path": "/m/1"}, {"path": "/m/2"}, {"path": "/m/3"}],
      "playlists": [{"name": "P", "items": ["/m/1", "/m/2", "/m/3"]}]})",
                                                                     "lib.json"));
    player->setMessageStream(messages_);
    return player;
  }

  testing_support::TempDir dir_;
  std::ostringstream messages_;
};

TEST_F(PlayerOrderTest, TheOrderIsKeptInTheSettingsAndGuidesNext) {
  {
    auto player = open();
    EXPECT_EQ(player->playbackOrder(), PlaybackOrder::kDefault);
    player->playItem(0, 2);
    EXPECT_EQ(player->nextItem(), Player::kNoItem);
    player->setPlaybackOrder(PlaybackOrder::kRepeatPlaylist);
    EXPECT_EQ(player->nextItem(), 0u);
    player->settings().save();
  }
  auto player = open();
  EXPECT_EQ(player->playbackOrder(), PlaybackOrder::kRepeatPlaylist);
  player->playItem(0, 2);
  player->playNext(Advance::kTrackEnded);
  EXPECT_EQ(player->playingItem(), 0u);
}

TEST_F(PlayerOrderTest, AShuffleFollowsItemsAddedToThePlayingPlaylist) {
  auto player = open();
  player->setShuffleSeed(3);
  player->setPlaybackOrder(PlaybackOrder::kShuffleTracks);
  player->playItem(0, 1);
  const host::TrackList library = player->library();
  player->insertItems(0, 0, {library[0]}, false);  // the playing item is now 2
  std::set<std::size_t> seen = {player->playingItem()};
  while (player->nextItem(Advance::kTrackEnded) != Player::kNoItem) {
    player->playNext(Advance::kTrackEnded);
    ASSERT_TRUE(seen.insert(player->playingItem()).second) << "item played twice";
  }
  EXPECT_EQ(seen.size(), 4u);
  player->playNext(Advance::kTrackEnded);
  EXPECT_EQ(player->playingItem(), Player::kNoItem);
}

}  // namespace
}  // namespace player
