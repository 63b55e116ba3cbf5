// Playlist editing through the player: what each change does to the lists,
// the events it raises (with their ranges), and where playback goes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "player/player.h"
#include "profile/data_error.h"
#include "profile/layout.h"
#include "support/fake_host.h"

namespace player {
namespace {

using host::PlaylistEvent;
using testing_support::TempDir;

constexpr const char* kEventsLibrary = R"({
  "tracks": [{"path": "file:///a"}, {"path": "file:///b"}, {"path": "file:///c"},
             {"path": "file:///d"}, {"path": "file:///e"}],
  "playlists": [{"name": "One", "items": ["file:///a", "file:///b", "file:///c", "file:///d", "file:///e"]},
                {"name": "Two", "items": []}, {"name": "Three", "items": []}],
  "active_playlist": 0
})";

struct Recorder : PlayerListener {
  void playlistChanged(const PlaylistChange& c) override {
    events += std::to_string(static_cast<int>(c.event)) + "@" + std::to_string(c.playlist) + ":" +
              std::to_string(c.first) + "+" + std::to_string(c.count) + " ";
  }
  void libraryChanged(host::LibraryEvent e) override { events += "lib" + std::to_string(static_cast<int>(e)) + " "; }
  void playbackChanged() override { events += "play "; }
  std::string events;
};

class PlayerEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    profile::Profile profile(dir.path() / "profile");
    profile::SettingsStore settings(profile.settingsFile());
    player =
        std::make_unique<Player>(std::move(profile), std::move(settings), library::parseLibraryFile(kEventsLibrary, "lib"));
    player->setMessageStream(messages);
    recorder.events.clear();
    player->addListener(&recorder);
  }
  void TearDown() override { player->removeListener(&recorder); }

  // The items of playlist 0 as their last letters, "*" after selected ones.
  std::string items(std::size_t playlist = 0) const {
    std::string out;
    const Playlist& list = player->playlists().at(playlist);
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      out += list.items[i]->path().back();
      if (list.selected[i]) out += '*';
    }
    return out;
  }
  std::string names() const {
    std::string out;
    for (std::size_t p = 0; p < player->playlistCount(); ++p) out += player->playlistName(p) + ",";
    return out;
  }

  TempDir dir;
  std::ostringstream messages;
  std::unique_ptr<Player> player;
  Recorder recorder;
};

TEST_F(PlayerEditing, RemovingItemsReportsContiguousRangesHighestFirst) {
  player->removeItems(0, {4, 0, 1, 1});
  EXPECT_EQ(items(), "cd");
  EXPECT_EQ(recorder.events, "3@0:4+1 3@0:0+2 ");
}

TEST_F(PlayerEditing, MovingItemsKeepsTheirOrderBeforeTheTarget) {
  struct Case {
    std::vector<std::size_t> rows;
    std::size_t before;
    const char* result;
  };
  const Case cases[] = {{{3, 0}, 2, "badce"}, {{0}, 5, "bcdea"}, {{4}, 0, "eabcd"}, {{1, 2}, 2, "abcde"}};
  for (const Case& c : cases) {
    SetUp();
    player->moveItems(0, c.rows, c.before);
    std::string expected = c.result;
    std::erase(expected, ' ');
    EXPECT_EQ(items(), expected) << "before " << c.before;
    EXPECT_EQ(recorder.events, "1@0:0+5 ");
    TearDown();
  }
}

TEST_F(PlayerEditing, PlaylistOperationsRaiseTheirEvents) {
  player->createPlaylist("Four");
  player->renamePlaylist(3, "4");
  player->movePlaylist(3, 1);
  player->setActivePlaylist(1);
  player->setActivePlaylist(1);  // no change, no event
  player->removePlaylist(2);
  EXPECT_EQ(names(), "One,4,Three,");
  EXPECT_EQ(recorder.events, "11@3:0+0 15@3:0+0 12@1:3+1 10@1:0+0 13@2:0+0 14@2:0+0 ");
  EXPECT_EQ(player->activePlaylist(), 1u);
}

TEST_F(PlayerEditing, InsertAndClearRaiseAddedAndRemoved) {
  player->insertItems(1, 0, player->library(), true);
  player->insertItems(1, 0, {}, true);  // nothing inserted, nothing raised
  player->removeAllItems(1);
  player->removeAllItems(1);
  EXPECT_EQ(recorder.events, "0@1:0+5 2@1:0+5 3@1:0+5 ");
}

TEST_F(PlayerEditing, BadIndexesChangeNothingAndRaiseNothing) {
  EXPECT_THROW(player->removeItems(0, {1, 9}), profile::DataError);
  EXPECT_THROW(player->moveItems(0, {7}, 0), profile::DataError);
  EXPECT_THROW(player->movePlaylist(0, 3), profile::DataError);
  EXPECT_THROW(player->setSelection(0, {true}), profile::DataError);
  EXPECT_EQ(items(), "abcde");
  EXPECT_EQ(recorder.events, "");
}

TEST_F(PlayerEditing, PlaybackFollowsItsItemThroughEdits) {
  player->setSelection(0, {false, false, true, false, false});
  player->startPlayback(0);
  EXPECT_EQ(player->playingItem(), 2u) << "starts from the first selected item";
  player->moveItems(0, {2}, 0);
  EXPECT_EQ(player->playingItem(), 0u);
  player->insertItems(0, 0, {player->library()[4]}, false);
  EXPECT_EQ(player->playingItem(), 1u);
  player->removeItems(0, {0});
  EXPECT_EQ(player->playingItem(), 0u);
  player->playPrevious();
  EXPECT_EQ(player->playingPlaylist(), host::kNoPlaylist) << "previous from the first item stops";
  player->playItem(0, 3);
  player->playNext();
  EXPECT_EQ(player->playingItem(), 4u);
  player->removeItems(0, {4});
  EXPECT_EQ(player->playingItem(), Player::kNoItem) << "removing the playing item stops";
}

TEST_F(PlayerEditing, ANewLibraryRaisesLibraryEventsAndReplacesPlaylistItems) {
  player->replaceLibrary(library::parseLibraryFile(R"({"tracks": [{"path": "file:///a"}]})", "new"));
  EXPECT_EQ(recorder.events, "lib1 lib0 8@0:0+5 ");
}

TEST(LayoutFile, WindowBlobsRoundTripAndOldFilesStayReadable) {
  TempDir dir;
  const auto file = dir.path() / "layout.json";
  profile::Layout layout;
  layout.panels = {{1, 2, 3}, {}};
  layout.geometry = {0x01, 0xd9, 0xff};
  layout.window_state = {0x00, 0x10};
  profile::saveLayout(file, layout);
  const profile::Layout back = profile::loadLayout(file);
  EXPECT_EQ(back.panels, layout.panels);
  EXPECT_EQ(back.geometry, layout.geometry);
  EXPECT_EQ(back.window_state, layout.window_state);

  std::ofstream(file) << R"({"panels": [{"settings": "0a0b"}]})";
  const profile::Layout old = profile::loadLayout(file);
  EXPECT_EQ(old.panels, (std::vector<std::vector<uint8_t>>{{0x0a, 0x0b}}));
  EXPECT_TRUE(old.geometry.empty());

  std::ofstream(file) << R"({"panels": [], "window": {"geometry": "xyz1"}})";
  EXPECT_THROW(profile::loadLayout(file), profile::DataError);
}

}  // namespace
}  // namespace player
