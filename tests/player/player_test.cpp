// The player as a host: playlists seeded and stored in the profile, messages,
// playback, the pump hook and the choice of library file.
#include "player/player.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "profile/data_error.h"
#include "profile/file_io.h"
#include "support/fake_host.h"

namespace player {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

constexpr const char* kLibrary = R"({
  "tracks": [
    {"path": "file:///m/a.flac", "meta": {"title": "A"}},
    {"path": "file:///m/cue.flac", "subsong": 1, "meta": {"title": "B1"}},
    {"path": "file:///m/cue.flac", "subsong": 2, "meta": {"title": "B2"}}
  ],
  "playlists": [
    {"name": "Default", "items": ["file:///m/a.flac", {"path": "file:///m/cue.flac", "subsong": 2}]},
    {"name": "Other", "items": ["file:///elsewhere.mp3"]}
  ],
  "active_playlist": 1
})";

class PlayerTest : public ::testing::Test {
 protected:
  std::unique_ptr<Player> open(std::string_view library_text = kLibrary) {
    profile::Profile profile(dir_.path() / "profile");
    profile::SettingsStore settings(profile.settingsFile());
    auto player = std::make_unique<Player>(std::move(profile), std::move(settings),
                                           library::parseLibraryFile(library_text, "lib.json"));
    player->setMessageStream(messages_);
    return player;
  }

  TempDir dir_;
  std::ostringstream messages_;
};

TEST_F(PlayerTest, SeedsPlaylistsFromTheLibraryWhenTheProfileHasNone) {
  auto player = open();
  EXPECT_TRUE(player->playlistsSeeded());
  ASSERT_EQ(player->playlistCount(), 2u);
  EXPECT_EQ(player->playlistName(0), "Default");
  EXPECT_EQ(player->activePlaylist(), 1u);
  EXPECT_EQ(player->playingPlaylist(), host::kNoPlaylist);
  const host::TrackList items = player->playlistItems(0);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1], player->library()[2]);  // matched by path and subsong
  ASSERT_FALSE(player->playlistItems(1).empty());
  EXPECT_FALSE(player->playlistItems(1)[0]->hasInfo());
  EXPECT_FALSE(fs::exists(player->profile().playlistsFile()));  // written by save() only
}

TEST_F(PlayerTest, SeedsOnlyOnceAndStoredPlaylistsRoundTrip) {
  {
    auto player = open();
    const std::size_t mine = player->createPlaylist("Mine");
    const host::TrackList library = *player->libraryTracks();
    player->insertItems(mine, 0, {library[1], library[0]}, true);
    player->insertItems(mine, 1, {library[2]}, false);
    player->setActivePlaylist(mine);
    player->startPlayback(mine);
    player->save();
  }
  auto player = open(R"({"tracks": [{"path": "file:///m/cue.flac", "subsong": 1},
                                     {"path": "file:///m/cue.flac", "subsong": 2}],
                         "playlists": [{"name": "Ignored", "items": []}]})");
  EXPECT_FALSE(player->playlistsSeeded());
  ASSERT_EQ(player->playlistCount(), 3u);
  EXPECT_EQ(player->activePlaylist(), 2u);
  EXPECT_EQ(player->playingPlaylist(), 2u);
  const Playlist& mine = player->playlists().at(2);
  EXPECT_EQ(mine.name, "Mine");
  ASSERT_EQ(mine.items.size(), 3u);
  EXPECT_EQ(mine.items[0], player->library()[0]);  // cue.flac #1 from the new library
  EXPECT_EQ(mine.items[1], player->library()[1]);
  EXPECT_EQ(mine.items[2]->path(), "file:///m/a.flac");  // no longer in the library
  EXPECT_FALSE(mine.items[2]->hasInfo());
  EXPECT_EQ(mine.selected, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(player->insertionPoint(2), 3u);
}

TEST_F(PlayerTest, NoPlaylistsAnywhereMeansNoneActive) {
  auto player = open(R"({"tracks": []})");
  EXPECT_EQ(player->playlistCount(), 0u);
  EXPECT_EQ(player->activePlaylist(), host::kNoPlaylist);
  player->startPlayback(host::kNoPlaylist);
  EXPECT_EQ(player->playingPlaylist(), host::kNoPlaylist);
}

TEST_F(PlayerTest, MalformedPlaylistsFileNamesTheFile) {
  profile::Profile profile(dir_.path() / "profile");
  std::ofstream(profile.playlistsFile()) << "{\"active\": 0, \"playlists\": [}";
  try {
    open();
    FAIL() << "no error";
  } catch (const profile::DataError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(profile.playlistsFile().string()), std::string::npos) << message;
    EXPECT_NE(message.find("line 1, column 29"), std::string::npos) << message;
  }
}

TEST_F(PlayerTest, MessagesGoToTheMessageStreamOneEntryEach) {
  auto player = open();
  player->consoleLine("[vostrel] Tree load time: 0.000100");
  player->popupMessage("two\nlines", "vostrel");
  player->messageBox("box", "vostrel");
  EXPECT_TRUE(player->askYesNo("Delete?", "vostrel"));
  EXPECT_EQ(messages_.str(), "[vostrel] Tree load time: 0.000100\ntwo\nlines\nbox\n");
}

TEST_F(PlayerTest, PumpEventsRunsTheHook) {
  auto player = open();
  player->pumpEvents();  // no hook: nothing happens
  int calls = 0;
  player->setPumpHook([&] { ++calls; });
  player->pumpEvents();
  player->pumpEvents();
  EXPECT_EQ(calls, 2);
}

TEST_F(PlayerTest, HostFacts) {
  auto player = open();
  EXPECT_EQ(player->profileFolder(), "file://" + (dir_.path() / "profile").string());
  EXPECT_TRUE(player->fileStats(player->profileFolder() + "/settings.json").found == false);
  EXPECT_EQ(player->libraryTrackCount(), 3u);
  EXPECT_EQ(player->advancedSettings().console_row_limit, 5000u);
  auto lock = player->lockInfo();
  EXPECT_TRUE(lock.owns_lock());
}

TEST_F(PlayerTest, ReplaceLibraryMatchesPlaylistItemsAgain) {
  auto player = open();
  player->replaceLibrary(
      library::parseLibraryFile(R"({"tracks": [{"path": "file:///elsewhere.mp3", "length": 3}]})", "new"));
  ASSERT_EQ(player->libraryTrackCount(), 1u);
  ASSERT_FALSE(player->playlistItems(0).empty());
  ASSERT_FALSE(player->playlistItems(1).empty());
  EXPECT_EQ(player->playlistItems(1)[0], player->library()[0]);
  EXPECT_FALSE(player->playlistItems(0)[0]->hasInfo());
  EXPECT_EQ(player->activePlaylist(), 1u);
}

TEST_F(PlayerTest, RendersThePlaylists) {
  auto player = open();
  EXPECT_EQ(renderPlaylistsText(*player),
            "Default\n  file:///m/a.flac\n  file:///m/cue.flac #2\nOther (active)\n  file:///elsewhere.mp3\n");
  player->save();
  EXPECT_EQ(profile::readWholeFile(player->profile().playlistsFile()), renderPlaylistsJson(*player) + "\n");
}

TEST(ChooseLibraryPathTest, OptionThenEnvironmentThenLastChosenThenDemo) {
  TempDir dir;
  profile::SettingsStore settings(dir.path() / "settings.json");
  const fs::path demo = "/demo.json";
  const char* old = std::getenv("VOSTREL_LIBRARY");
  const std::string saved = old ? old : "";
  unsetenv("VOSTREL_LIBRARY");
  EXPECT_EQ(chooseLibraryPath("", settings, demo), demo);
  settings.setLastLibrary("/last.json");
  EXPECT_EQ(chooseLibraryPath("", settings, demo), "/last.json");
  setenv("VOSTREL_LIBRARY", "/env.json", 1);
  EXPECT_EQ(chooseLibraryPath("", settings, demo), "/env.json");
  EXPECT_EQ(chooseLibraryPath("/opt.json", settings, demo), "/opt.json");
  if (old) {
    setenv("VOSTREL_LIBRARY", saved.c_str(), 1);
  } else {
    unsetenv("VOSTREL_LIBRARY");
  }
}

}  // namespace
}  // namespace player
