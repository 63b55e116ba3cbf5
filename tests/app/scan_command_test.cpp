// `scan` run inside the desktop program: on its live player's music
// folders, whose library it replaces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/cli.h"
#include "app/scan_command.h"
#include "support/fake_host.h"

namespace app {
namespace {

namespace fs = std::filesystem;

class LiveEnv : public CommandEnv {
 public:
  explicit LiveEnv(player::Player& player) : player_(player) {}
  std::ostream& out() override { return out_; }
  std::ostream& err() override { return err_; }
  std::istream& in() override { return in_; }
  bool outIsTerminal() const override { return false; }
  bool live() const override { return true; }
  bool takeInterrupt() override { return false; }
  player::Player* livePlayer() override { return &player_; }

  std::ostringstream out_, err_;
  std::istringstream in_;

 private:
  player::Player& player_;
};

class LiveScanTest : public ::testing::Test {
 protected:
  void SetUp() override { unsetenv("VOSTREL_LIBRARY"); }

  std::unique_ptr<player::Player> openPlayer(std::vector<std::string> folders) {
    profile::Profile profile(dir_.path() / "profile");
    profile::SettingsStore settings(profile.settingsFile());
    settings.setMusicFolders(std::move(folders));
    return std::make_unique<player::Player>(std::move(profile), std::move(settings), library::LibraryFile{});
  }

  testing_support::TempDir dir_;
};

TEST_F(LiveScanTest, ReplacesTheLivePlayersLibrary) {
  const fs::path music = dir_.path() / "music";
  fs::create_directories(music);
  for (const char* name : {"test.ogg", "bladeenc.mp3"}) {
    fs::copy_file(fs::path(VOSTREL_TEST_DATA_DIR) / "tag-corpus" / name, music / name);
  }
  auto player = openPlayer({music.string()});
  std::ostringstream messages;
  player->setMessageStream(messages);
  ASSERT_EQ(player->libraryTrackCount(), 0u);
  LiveEnv env(*player);
  EXPECT_EQ(runScanCommand(env, GlobalOptions{}, ScanCommand{}), kExitOk) << env.err_.str();
  EXPECT_NE(env.out_.str().find("Scanned 1 music folder in "), std::string::npos) << env.out_.str();
  EXPECT_NE(env.out_.str().find(": 2 added, 0 changed"), std::string::npos) << env.out_.str();
  EXPECT_EQ(player->libraryTrackCount(), 2u);
  EXPECT_TRUE(fs::exists(dir_.path() / "profile" / "library.db"));
}

TEST_F(LiveScanTest, ALibraryFileHasNothingToScan) {
  auto player = openPlayer({});
  LiveEnv env(*player);
  EXPECT_EQ(runScanCommand(env, GlobalOptions{}, ScanCommand{}), kExitBadInput);
  EXPECT_NE(env.err_.str().find("No music folders to scan"), std::string::npos) << env.err_.str();
}

}  // namespace
}  // namespace app
