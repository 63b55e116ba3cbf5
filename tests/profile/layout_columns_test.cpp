// The playlists' columns in layout.json, and the playback order and volume
// in settings.json: kept across a save, refused with the file named when
// malformed.
#include <gtest/gtest.h>

#include "profile/data_error.h"
#include "profile/layout.h"
#include "profile/settings_store.h"

namespace profile {
namespace {

TEST(LayoutColumnsTest, ColumnsRoundTripInOrder) {
  Layout layout;
  layout.panels.push_back({1, 2});
  layout.playlist_columns = {{"artist", "", "", 190, true},
                             {"custom", "Year", "$year(%date%)", 0, true},
                             {"genre", "", "", 80, false}};
  const Layout read = parseLayout(layoutJson(layout), "layout.json");
  EXPECT_EQ(read.playlist_columns, layout.playlist_columns);
  EXPECT_EQ(read.panels, layout.panels);
  // A layout without columns (an older file) has none: the defaults.
  EXPECT_TRUE(parseLayout(R"({"panels": []})", "layout.json").playlist_columns.empty());
}

TEST(LayoutColumnsTest, MalformedColumnsNameTheFile) {
  for (const char* text : {R"({"panels": [], "playlist_columns": {}})",
                           R"({"panels": [], "playlist_columns": [{"width": 3}]})",
                           R"({"panels": [], "playlist_columns": [{"id": "artist", "width": -4}]})",
                           R"({"panels": [], "playlist_columns": [{"id": "artist", "visible": "no"}]})",
                           R"({"panels": [], "playlist_columns": [{"id": 7}]})"}) {
    try {
      parseLayout(text, "/p/layout.json");
      ADD_FAILURE() << "accepted " << text;
    } catch (const DataError& error) {
      EXPECT_NE(std::string(error.what()).find("/p/layout.json"), std::string::npos) << error.what();
    }
  }
}

TEST(SettingsPlaybackTest, OrderAndVolumeAreKeptAndVolumeIsClamped) {
  SettingsStore settings("/p/settings.json", "{}");
  EXPECT_EQ(settings.playbackOrder(), "");
  EXPECT_EQ(settings.volume(), std::nullopt);
  settings.setPlaybackOrder("shuffle_albums");
  settings.setVolume(1.5);
  const SettingsStore read("/p/settings.json", settings.toJson());
  EXPECT_EQ(read.playbackOrder(), "shuffle_albums");
  EXPECT_EQ(read.volume(), 1.0);
  EXPECT_EQ(SettingsStore("/p/settings.json", R"({"volume": "loud"})").volume(), std::nullopt);
}

}  // namespace
}  // namespace profile
