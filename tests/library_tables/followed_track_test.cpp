// playing(), selected() and playing_handle(): the values of the followed
// tracks, NULL when there is none, and the error for a name that is no
// MediaLibrary column.
#include "library_tables/followed_track.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "library_fixture.h"
#include "library_tables/handle_table.h"

namespace library_tables_testing {
namespace {

using library_tables::ColumnType;
using library_tables::TableType;

class FollowedTrackTest : public LibraryTablesTest {
 protected:
  void SetUp() override {
    LibraryTablesTest::SetUp();
    setColumns(TableType::kMediaLibrary,
               {{.name = "artist", .split = true},
                {.name = "album"},
                {.name = "Album Artist", .tag_name = "album artist"},
                {.name = "genre"},
                {.name = "filesize", .kind = ColumnType::kFileInteger},
                {.name = "path", .kind = ColumnType::kFileText},
                {.name = "tf_title", .kind = ColumnType::kTFExpression, .expression = "%title%"}});
    TrackFields playing;
    playing.path = "file:///music/p.flac";
    playing.meta = {
        {"artist", {"Alpha", "Beta"}}, {"album", {"First"}}, {"title", {"One"}}, {"genre", {"Rock", "Pop"}}};
    playing.size = 2048;
    TrackFields focused;
    focused.path = "file:///music/f.flac";
    focused.meta = {{"artist", {"Gamma"}}, {"album artist", {"Various"}}, {"genre", {"Jazz"}}};
    playing_ = buildTrack(playing);
    focused_ = buildTrack(focused);
    host_.library = {playing_, focused_};
  }

  host::TrackHandle playing_;
  host::TrackHandle focused_;
};

TEST_F(FollowedTrackTest, ValuesOfThePlayingAndTheFocusedTrack) {
  struct Case {
    const char* sql;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"SELECT playing('artist')", "Alpha;"},  // a split tag: its first value
      {"SELECT playing('ALBUM')", "First;"},   // names in any case
      {"SELECT playing('album artist')", "-;"},
      {"SELECT playing('genre')", "Rock \xC2\xB7 Pop;"},  // joined, and outlives the call
      {"SELECT playing('filesize'), typeof(playing('filesize'))", "2048,integer;"},
      {"SELECT playing('tf_title')", "One;"},
      {"SELECT playing('path')", "/music/p.flac;"},
      {"SELECT playing(NULL)", "-;"},
      {"SELECT selected('artist'), selected('Album Artist'), selected('genre')", "Gamma,Various,Jazz;"},
      {"SELECT count(*) FROM MediaLibrary WHERE artist = playing('artist')", "1;"},
      {"SELECT album FROM MediaLibrary WHERE genre = selected('genre')", "-;"},
  };
  host_.playing_track = playing_;
  host_.focused_track = focused_;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(rows(c.sql), c.expected);
  }
}

TEST_F(FollowedTrackTest, NothingPlayingOrFocusedGivesNull) {
  EXPECT_EQ(rows("SELECT playing('artist'), selected('artist'), playing_handle()"), "-,-,-;");
  host_.focused_track = focused_;
  EXPECT_EQ(rows("SELECT playing('artist'), selected('artist'), playing_handle()"), "-,Gamma,-;");
}

TEST_F(FollowedTrackTest, UnknownFieldIsAnErrorNamingIt) {
  using ::testing::HasSubstr;
  const std::string expected = std::string(library_tables::kNoSuchColumn) + "artsit";
  EXPECT_THAT(error("SELECT playing('artsit')"), HasSubstr(expected)) << "also while nothing plays";
  host_.playing_track = playing_;
  host_.focused_track = focused_;
  EXPECT_THAT(error("SELECT playing('artsit')"), HasSubstr(expected));
  EXPECT_THAT(error("SELECT selected('artsit')"), HasSubstr(expected));
  EXPECT_EQ(error("SELECT playing('ARTIST')"), "");
}

// The values change between statements: nothing stored in the schema may be
// built on them (an index so built would read as damaged once the track
// changes).
TEST_F(FollowedTrackTest, TheSchemaCannotBuildOnThem) {
  using ::testing::HasSubstr;
  host_.playing_track = playing_;
  struct Case {
    const char* make;
    const char* use;
  };
  const std::vector<Case> cases = {
      {"CREATE TABLE fi_t(x TEXT); CREATE INDEX fi ON fi_t(playing('album'))", "INSERT INTO fi_t VALUES ('x')"},
      {"CREATE TABLE fc(x TEXT CHECK (x <> playing('album')))", "INSERT INTO fc VALUES ('x')"},
      {"CREATE VIEW fv AS SELECT playing_handle() AS h", "SELECT * FROM fv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.make);
    std::string message = error(c.make);
    if (message.empty()) message = error(c.use);
    EXPECT_THAT(message, HasSubstr("unsafe use of"));
  }
}

TEST_F(FollowedTrackTest, PlayingHandleIndexesTheHandleTable) {
  host_.playing_track = playing_;
  const std::string index = rows("SELECT playing_handle()");
  ASSERT_NE(index, "-;");
  const host::TrackHandle* handle =
      library_tables::HandleTable::instance().get(std::stoull(index.substr(0, index.size() - 1)));
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(*handle, playing_);
  library_tables::HandleTable::instance().clear();
}

TEST_F(FollowedTrackTest, OneStatementReadsTheTrackOnce) {
  // The player may move on while a statement runs (events are pumped
  // between rows); a statement still sees one track.
  host_.playing_track = playing_;
  host_.library.assign(2000, playing_);
  int switches = 0;
  host_.on_pump = [&] {
    ++switches;
    host_.playing_track = host_.playing_track == playing_ ? focused_ : playing_;
  };
  const std::string count = rows("SELECT count(*) FROM MediaLibrary WHERE album = playing('album')");
  EXPECT_TRUE(count == "0;" || count == "2000;") << "every row compared with one value, not " << count;
  EXPECT_GT(switches, 2) << "the test needs the track to change during the statement";
}

}  // namespace
}  // namespace library_tables_testing
