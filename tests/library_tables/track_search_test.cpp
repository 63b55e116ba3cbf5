#include "library_tables/track_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace {

using library_tables::makeTrackFilter;
using library_tables::SearchIndex;
using library_tables::TableType;
using library_tables_testing::buildTrack;
using library_tables_testing::LibraryTablesTest;
using library_tables_testing::TrackFields;

// One track to search; the tags not named stay absent.
host::TrackHandle sampleTrack() {
  return buildTrack({.meta = {{"artist", {"Anton Brückner"}},
                              {"album artist", {"Wiener Philharmoniker"}},
                              {"album", {"Symphonie Nr. 4  „Romantische“"}},
                              {"title", {"東京事変 Allegro"}},
                              {"genre", {"Klassik", "Straße"}},
                              {"composer", {"Ｇｕｓｔａｖ"}},
                              {"date", {"1990"}},
                              {"comment", {"hidden words"}}},
                     .tech = {{"codec", "FLAC"}}});
}

struct MatchCase {
  const char* label;
  const char* text;
  bool matches;
};

class SearchMatchTest : public ::testing::TestWithParam<MatchCase> {
 protected:
  void SetUp() override { SearchIndex::instance().clear(); }
  void TearDown() override { SearchIndex::instance().clear(); }
};

TEST_P(SearchMatchTest, FindsTrackAsTheRulesSay) {
  const MatchCase& c = GetParam();
  auto library = std::make_shared<const host::TrackList>(host::TrackList{sampleTrack()});
  auto filter = makeTrackFilter(c.text);
  // A text without terms filters nothing: every track stays.
  const std::size_t found = filter ? filter->apply(library).tracks->size() : library->size();
  EXPECT_EQ(found == 1, c.matches) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SearchMatchTest,
    ::testing::Values(MatchCase{"Diacritics", "bruckner", true}, MatchCase{"DiacriticsInText", "brückner", true},
                      MatchCase{"Case", "ANTON BRÜCKNER", true}, MatchCase{"SharpS", "strasse", true},
                      MatchCase{"FullWidthLetters", "gustav", true}, MatchCase{"FullWidthInText", "ｗｉｅｎｅｒ", true},
                      MatchCase{"SeveralWordsAnyOrder", "1990 allegro bruckner", true},
                      MatchCase{"EveryWordMustBeFound", "bruckner mahler", false},
                      MatchCase{"PhraseInOneField", "\"nr.   4\"", true},
                      MatchCase{"PhraseKeepsItsOrder", "\"4 nr.\"", false},
                      MatchCase{"PhraseNeverSpansFields", "\"brückner wiener\"", false},
                      MatchCase{"PhraseNeverSpansValues", "\"klassik strasse\"", false},
                      MatchCase{"TypographicQuotes", "\u201cnr. 4\u201d", true},
                      MatchCase{"UnclosedQuoteRunsToTheEnd", "\"philharmoniker wien", false},
                      MatchCase{"CjkSubstring", "東京", true}, MatchCase{"CjkOrder", "京東", false},
                      MatchCase{"SecondValueOfAField", "straße", true}, MatchCase{"AlbumArtist", "wiener", true},
                      MatchCase{"UnsearchedTag", "hidden", false}, MatchCase{"TechnicalField", "flac", false},
                      MatchCase{"EmptyText", "", true}, MatchCase{"Spaces", "   \t ", true},
                      MatchCase{"EmptyQuotes", "\"\"", true}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.label); });

TEST(SearchTermsTest, SplitsWordsAndPhrasesFolded) {
  EXPECT_EQ(library_tables::searchTerms("  Bach \"Das  Wohltemperierte\"  KLAVIER "),
            (std::vector<std::string>{"bach", "das wohltemperierte", "klavier"}));
  EXPECT_TRUE(library_tables::searchTerms(" \" \" ").empty());
}

TEST(SearchIndexTest, ANewLibraryFoldsOnlyItsNewTracks) {
  SearchIndex& index = SearchIndex::instance();
  index.clear();
  host::TrackList tracks;
  for (const char* artist : {"Alpha", "Beta", "Gamma"}) tracks.push_back(buildTrack({.meta = {{"artist", {artist}}}}));
  index.update(std::make_shared<const host::TrackList>(tracks));
  const uint64_t folded = index.foldedTracks();
  // One replaced, one added, the order changed.
  host::TrackList next = {buildTrack({.meta = {{"artist", {"Delta"}}}}), tracks[2], tracks[0],
                          buildTrack({.meta = {{"artist", {"Betamax"}}}})};
  index.update(std::make_shared<const host::TrackList>(next));
  EXPECT_EQ(index.foldedTracks() - folded, 2u);
  EXPECT_EQ(index.trackText(1), "gamma\x1f");
  EXPECT_EQ(index.match({"a"}), (std::vector<uint32_t>{0, 1, 2, 3}));
  EXPECT_EQ(index.match({"beta"}), (std::vector<uint32_t>{3}));
  EXPECT_EQ(index.match({"alpha", "gamma"}), (std::vector<uint32_t>{}));
  index.clear();
}

class FilteredTableTest : public LibraryTablesTest {
 protected:
  void SetUp() override {
    LibraryTablesTest::SetUp();
    host_.library = {buildTrack({.path = "file:///1.flac", .meta = {{"artist", {"Bärbel"}}, {"title", {"One"}}}}),
                     buildTrack({.path = "file:///2.flac", .meta = {{"artist", {"Carl"}}, {"title", {"Two"}}}}),
                     buildTrack({.path = "file:///3.flac", .meta = {{"artist", {"Barbara"}}, {"title", {"Three"}}}})};
    host_.playlists.push_back({"P", {host_.library[1], host_.library[2]}, {false, false}});
    setColumns(TableType::kMediaLibrary, {{"artist"}, {"title"}});
  }
};

TEST_F(FilteredTableTest, OnlyTheFilteredConnectionSeesTheMatchingTracks) {
  std::unique_ptr<db::SQLiteDatabase> filtered = open();
  filtered->setLibraryFilter(makeTrackFilter("barb"));
  // Rowids stay the tracks' places in the whole library.
  EXPECT_EQ(rows(*filtered, "SELECT rowid, artist FROM MediaLibrary"), "0,Bärbel;2,Barbara;");
  EXPECT_EQ(rows(*filtered, "SELECT count(*) FROM MediaLibrary WHERE title LIKE 'T%'"), "1;");
  EXPECT_EQ(rows(*filtered, "SELECT count(*) FROM Playlist"), "2;");
  EXPECT_EQ(rows(database(), "SELECT count(*) FROM MediaLibrary"), "3;");
  filtered->setLibraryFilter(nullptr);
  EXPECT_EQ(rows(*filtered, "SELECT count(*) FROM MediaLibrary"), "3;");
}

TEST_F(FilteredTableTest, FollowsTheLibraryAsItChanges) {
  std::unique_ptr<db::SQLiteDatabase> filtered = open();
  filtered->setLibraryFilter(makeTrackFilter("barb"));
  EXPECT_EQ(rows(*filtered, "SELECT count(*) FROM MediaLibrary"), "2;");
  host_.library.push_back(buildTrack({.meta = {{"artist", {"Barbarossa"}}}}));
  host_.library.erase(host_.library.begin());
  EXPECT_EQ(rows(*filtered, "SELECT artist FROM MediaLibrary"), "Barbara;Barbarossa;");
}

}  // namespace
