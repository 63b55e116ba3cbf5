// The panel settings record and its 135-byte stored form.
#include "tree/panel_settings.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using tree::PanelSettings;
using tree::UiAttributes;

std::vector<uint8_t> sampleStream() {
  std::vector<uint8_t> stream(tree::kPanelSettingsSize);
  std::iota(stream.begin(), stream.end(), uint8_t{1});  // every byte distinct
  stream[0] = 1;  // version
  stream[1] = stream[2] = stream[3] = 0;
  return stream;
}

TEST(PanelSettingsTest, StreamRoundTripsByteForByte) {
  const std::vector<uint8_t> stream = sampleStream();
  PanelSettings settings;
  ASSERT_TRUE(tree::readPanelSettings(stream, UiAttributes{}, settings));
  EXPECT_EQ(tree::writePanelSettings(settings), stream);
  // Fields sit at their offsets, little-endian.
  EXPECT_EQ(settings.edge_style, 0x08070605);
  EXPECT_EQ(settings.root_node_id, 0x0C0B0A09);
  EXPECT_EQ(settings.use_ui_attributes, 13);
  EXPECT_EQ(settings.font[0], 14);
  EXPECT_EQ(settings.font[91], 105);
  EXPECT_EQ(settings.line, 0x6D6C6B6Au);
  EXPECT_EQ(settings.back_selected_inactive, 0x85848382u);
  EXPECT_EQ(settings.icon, 0x8786);
}

TEST(PanelSettingsTest, WrittenRecordHasVersionOneAndTheFixedSize) {
  UiAttributes ui;
  ui.colours[tree::kUiText] = 0x00112233;
  PanelSettings settings = PanelSettings::defaults(ui);
  settings.root_node_id = 300;
  const std::vector<uint8_t> stream = tree::writePanelSettings(settings);
  ASSERT_EQ(stream.size(), 135u);
  EXPECT_EQ((std::vector<uint8_t>(stream.begin(), stream.begin() + 13)),
            (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 44, 1, 0, 0, 1}));
  EXPECT_EQ((std::vector<uint8_t>(stream.begin() + 109, stream.begin() + 113)),
            (std::vector<uint8_t>{0x33, 0x22, 0x11, 0}));
  EXPECT_EQ(stream[133], 194);
  EXPECT_EQ(stream[134], 0);
}

TEST(PanelSettingsTest, EmptyStreamGivesDefaultsFromTheUi) {
  UiAttributes ui;
  ui.font[0] = 42;
  ui.colours[tree::kUiBackground] = 0x00ABCDEF;
  PanelSettings settings;
  settings.root_node_id = 9;
  EXPECT_FALSE(tree::readPanelSettings({}, ui, settings));
  EXPECT_EQ(settings, PanelSettings::defaults(ui));
  EXPECT_EQ(settings.root_node_id, 0);
  EXPECT_EQ(settings.edge_style, tree::kEdgeSunken);
  EXPECT_EQ(settings.use_ui_attributes, 1);
  EXPECT_EQ(settings.icon, tree::kDefaultIcon);
  EXPECT_EQ(settings.back, 0x00ABCDEFu);
  EXPECT_EQ(settings.font[0], 42);
}

TEST(PanelSettingsTest, ShortStreamKeepsTheFieldsItHolds) {
  std::vector<uint8_t> stream = sampleStream();
  stream.resize(14);  // up to the first byte of the font
  PanelSettings settings;
  EXPECT_TRUE(tree::readPanelSettings(stream, UiAttributes{}, settings));
  EXPECT_EQ(settings.root_node_id, 0x0C0B0A09) << "the root id survives";
  EXPECT_EQ(settings.use_ui_attributes, 13);
  EXPECT_EQ(settings.font, UiAttributes{}.font) << "a field cut short keeps its default";
  EXPECT_EQ(settings.icon, tree::kDefaultIcon);
}

TEST(PanelSettingsTest, FollowPlayingIsOneByteAfterTheRecordOnlyWhenOn) {
  PanelSettings settings = PanelSettings::defaults(UiAttributes{});
  ASSERT_EQ(tree::writePanelSettings(settings).size(), 135u) << "off: the record keeps its size";
  settings.follow_playing = true;
  const std::vector<uint8_t> stream = tree::writePanelSettings(settings);
  ASSERT_EQ(stream.size(), 136u);
  EXPECT_EQ(stream[135], tree::kFollowPlayingFlag);
  PanelSettings read;
  ASSERT_TRUE(tree::readPanelSettings(stream, UiAttributes{}, read));
  EXPECT_EQ(read, settings);
  ASSERT_TRUE(tree::readPanelSettings(sampleStream(), UiAttributes{}, read));
  EXPECT_FALSE(read.follow_playing) << "a record without the byte";
  std::vector<uint8_t> cut(stream.begin(), stream.begin() + 134);  // the icon cut in half
  cut[133] = tree::kFollowPlayingFlag;
  ASSERT_TRUE(tree::readPanelSettings(cut, UiAttributes{}, read));
  EXPECT_FALSE(read.follow_playing) << "a record cut short reads no flag from the middle of a field";
}

}  // namespace
