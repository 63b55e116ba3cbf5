#include "library_tables/joined_values.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/track_builder.h"

namespace library_tables {
namespace {

// Tracks of one store, so that values repeated across them are one text.
class JoinedValuesTest : public ::testing::Test {
 protected:
  host::ValueList artists(const std::vector<std::string>& values) {
    host::TrackBuilder builder(store_);
    builder.setPath("file:///music/" + std::to_string(tracks_.size()) + ".flac");
    for (const std::string& value : values) builder.addMeta("artist", value);
    tracks_.push_back(builder.build());
    return tracks_.back()->meta()[0].values();
  }

  std::shared_ptr<host::TrackStore> store_ = std::make_shared<host::TrackStore>();
  std::vector<host::TrackHandle> tracks_;
};

TEST_F(JoinedValuesTest, TheSameValuesOnAnotherTrackGiveTheSameText) {
  JoinedValues joined;
  const char* first = joined.find(0, artists({"Ann", "Bob"}), " / ");
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, "Ann / Bob");
  const host::ValueList again = artists({"Ann", "Bob"});
  ASSERT_EQ(again.ref(0).data(), tracks_[0]->meta()[0].values().ref(0).data()) << "values not shared";
  EXPECT_EQ(joined.find(0, again, " / "), first);
  EXPECT_STREQ(joined.find(0, artists({"Bob", "Ann"}), " / "), "Bob / Ann");
  // Another column joins the same values with its own separator.
  EXPECT_STREQ(joined.find(1, again, "; "), "Ann; Bob");
  EXPECT_STREQ(first, "Ann / Bob");
}

TEST_F(JoinedValuesTest, OnceTheBudgetIsSpentGivesNothingAndKeepsWhatItGave) {
  JoinedValues joined(1000);
  std::vector<std::pair<const char*, std::string>> given;
  for (int i = 0; !joined.full(); ++i) {
    ASSERT_LT(i, 100);
    const std::string a = "artist " + std::to_string(i);
    if (const char* text = joined.find(0, artists({a, "x"}), " + ")) given.emplace_back(text, a + " + x");
  }
  EXPECT_GE(given.size(), 2u);
  EXPECT_EQ(joined.find(0, artists({"late", "x"}), " + "), nullptr);
  for (const auto& [text, expected] : given) EXPECT_EQ(text, expected);
}

TEST_F(JoinedValuesTest, ATextTooLargeToKeepLeavesTheBudgetToSmallerOnes) {
  JoinedValues joined(800);
  EXPECT_EQ(joined.find(0, artists({std::string(200, 'a'), "b"}), " / "), nullptr);
  EXPECT_FALSE(joined.full());
  EXPECT_STREQ(joined.find(0, artists({"a", "b"}), " / "), "a / b");
}

TEST_F(JoinedValuesTest, AJoinedTextHoldingAZeroIsNotKept) {
  JoinedValues joined;
  EXPECT_EQ(joined.find(0, artists({std::string("a\0b", 3), "c"}), " / "), nullptr);
  EXPECT_EQ(joined.find(0, artists({"a", "c"}), std::string_view("\0", 1)), nullptr);
  EXPECT_FALSE(joined.full());
  EXPECT_STREQ(joined.find(0, artists({"a", "c"}), " / "), "a / c");
}

}  // namespace
}  // namespace library_tables
