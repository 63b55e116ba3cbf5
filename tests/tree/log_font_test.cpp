#include "tree/log_font.h"

#include <gtest/gtest.h>

namespace {

class FontFamilyTest : public testing::TestWithParam<const char*> {};

TEST_P(FontFamilyTest, RoundTripsThroughTheBlock) {
  tree::LogFontBlock font{};
  font.fill(0xEE);  // whatever was there before is overwritten
  ASSERT_TRUE(tree::setFontFamily(font, GetParam()));
  EXPECT_EQ(tree::fontFamily(font), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Families, FontFamilyTest,
                         testing::Values("", "DejaVu Sans", "Segoe UI", "\xE6\x9D\xB1\xE4\xBA\xAC",  // 東京
                                         "Emoji \xF0\x9F\x8E\xB5",                                   // a surrogate pair
                                         "0123456789012345678901234567890"));                        // 31 units

TEST(FontFamily, StoredAsLittleEndianUtf16AtTheFaceName) {
  tree::LogFontBlock font{};
  ASSERT_TRUE(tree::setFontFamily(font, "Ab"));
  EXPECT_EQ(font[28], 'A');
  EXPECT_EQ(font[29], 0);
  EXPECT_EQ(font[30], 'b');
  EXPECT_EQ(font[32], 0);
}

TEST(FontFamily, RefusesWhatDoesNotFit) {
  tree::LogFontBlock font{};
  ASSERT_TRUE(tree::setFontFamily(font, "Kept"));
  EXPECT_FALSE(tree::setFontFamily(font, "01234567890123456789012345678901"));  // 32 units
  EXPECT_FALSE(tree::setFontFamily(font, "bad \xC3"));                          // cut UTF-8
  EXPECT_FALSE(tree::setFontFamily(font, "\xED\xA0\x80"));                      // a surrogate
  EXPECT_EQ(tree::fontFamily(font), "Kept");
}

TEST(FontPointSize, StoredAsNegativePixelsAt96Dpi) {
  tree::LogFontBlock font{};
  EXPECT_EQ(tree::fontPointSize(font), 0);
  tree::setFontPointSize(font, 9);
  EXPECT_EQ(font[0], 0xF4);  // -12 pixels
  EXPECT_EQ(font[3], 0xFF);
  EXPECT_EQ(tree::fontPointSize(font), 9);
  for (const int points : {1, 8, 10, 11, 12, 72, 1000}) {
    tree::setFontPointSize(font, points);
    EXPECT_EQ(tree::fontPointSize(font), points) << points;
  }
}

}  // namespace
