#include "library_tables/column_values.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "library_fixture.h"
#include "library_tables/handle_table.h"
#include "library_tables/title_format_cache.h"

namespace library_tables_testing {
namespace {

using library_tables::ColumnType;
using library_tables::HandleTable;
using library_tables::TableType;
using ::testing::HasSubstr;

using ColumnValuesTest = LibraryTablesTest;

TEST_F(ColumnValuesTest, EachKindReadsItsSource) {
  TrackFields wanted;
  wanted.path = "file:///music/Artist/Song.name.flac";
  wanted.meta = {{"artist", {"A", "B"}}, {"album artist", {"AA"}}, {"title", {"T"}}};
  wanted.tech = {{"samplerate", "44100"}};
  wanted.length = 3725.4;
  wanted.size = 1536;
  wanted.mtime = std::numeric_limits<int64_t>::max();
  wanted.subsong = 2;
  wanted.gain.track_gain = -6.5f;
  wanted.gain.track_peak = 0.5f;
  host_.library = {buildTrack(wanted)};

  struct Case {
    ColumnFields column;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {{.name = "artist"}, "A \xC2\xB7 B"},
      {{.name = "album_artist", .tag_name = "album artist"}, "AA"},
      {{.name = "missing"}, "-"},
      {{.name = "samplerate", .kind = ColumnType::kTechInfo}, "44100"},
      {{.name = "bitrate", .kind = ColumnType::kTechInfo}, "-"},
      {{.name = "tf", .kind = ColumnType::kTFExpression, .expression = "%artist% - %title%"}, "A - T"},
      {{.name = "tf_bad", .kind = ColumnType::kTFExpression, .expression = "!bad"}, "<ERROR>"},
      {{.name = "tf_fails", .kind = ColumnType::kTFExpression, .expression = "%unterminated"}, "-"},
      {{.name = "length", .kind = ColumnType::kInfoText}, "1:02:05"},
      {{.name = "other_text", .kind = ColumnType::kInfoText}, "-"},
      {{.name = "any_integer", .kind = ColumnType::kInfoInteger}, "-"},
      {{.name = "length_seconds", .kind = ColumnType::kInfoReal}, "3725.4000000"},
      {{.name = "replaygain_track_gain", .kind = ColumnType::kInfoReal}, "-6.5000000"},
      {{.name = "replaygain_album_gain", .kind = ColumnType::kInfoReal}, "-"},
      {{.name = "replaygain_track_peak", .kind = ColumnType::kInfoReal}, "0.5000000"},
      {{.name = "replaygain_album_peak", .kind = ColumnType::kInfoReal}, "-"},
      {{.name = "path", .kind = ColumnType::kFileText}, "/music/Artist/Song.name.flac"},
      {{.name = "directoryname", .kind = ColumnType::kFileText}, "/music/Artist"},
      {{.name = "filename", .kind = ColumnType::kFileText}, "Song.name"},
      {{.name = "filename_ext", .kind = ColumnType::kFileText}, "Song.name.flac"},
      {{.name = "filesize_natural", .kind = ColumnType::kFileText}, "1.5KB"},
      {{.name = "last_modified", .kind = ColumnType::kFileText}, "<invalid timestamp>"},
      {{.name = "filesize", .kind = ColumnType::kFileInteger}, "1536"},
      {{.name = "subsong", .kind = ColumnType::kFileInteger}, "2"},
      {{.name = "any_real", .kind = ColumnType::kFileReal}, "-"},
      {{.name = "playlist_name", .kind = ColumnType::kPlaylistText}, "-"},
      {{.name = "playlist_index", .kind = ColumnType::kPlaylistInteger}, "-"},
      {{.name = "odd_kind", .kind = static_cast<ColumnType>(99)}, "-"},
  };
  std::vector<ColumnFields> columns;
  for (const Case& c : cases) columns.push_back(c.column);
  setColumns(TableType::kMediaLibrary, columns);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column.name);
    EXPECT_EQ(rows("SELECT \"" + c.column.name + "\" FROM MediaLibrary"), std::string(c.expected) + ";");
  }
  EXPECT_EQ(rows("SELECT typeof(filesize), typeof(length_seconds), typeof(path), typeof(metadb_handle) "
                 "FROM MediaLibrary"),
            "integer,real,text,integer;");
}

TEST_F(ColumnValuesTest, TrackWithoutInfoHasOnlyFileValues) {
  host_.library = {buildTrack({.path = "file:///a.mp3", .size = 10, .has_info = false})};
  setColumns(TableType::kMediaLibrary, {{.name = "artist"},
                                        {.name = "length", .kind = ColumnType::kInfoText},
                                        {.name = "filesize", .kind = ColumnType::kFileInteger}});
  EXPECT_EQ(rows("SELECT artist, length, filesize FROM MediaLibrary"), "-,-,10;");
}

TEST_F(ColumnValuesTest, FileSizeAndLengthFormats) {
  const uint64_t sizes[] = {1023, 1024, 1536, 1000000, 123456789};
  const double lengths[] = {59.5, 0.4, 61, 90061, 694861};
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    host_.library.push_back(buildTrack({.length = lengths[i], .size = sizes[i]}));
  }
  setColumns(TableType::kMediaLibrary, {{.name = "filesize_natural", .kind = ColumnType::kFileText},
                                        {.name = "length", .kind = ColumnType::kInfoText}});
  EXPECT_EQ(rows("SELECT filesize_natural, length FROM MediaLibrary"),
            "1023B,1:00;1KB,0:00;1.5KB,1:01;976KB,1d 1:01:01;117MB,1wk 1d 1:01:01;");
}

TEST_F(ColumnValuesTest, PlaylistRowsAreNumberedPerPlaylist) {
  auto a = buildTrack({.meta = {{"title", {"a"}}}});
  auto b = buildTrack({.meta = {{"title", {"b"}}}});
  host_.playlists.push_back({"First", {a, b}, {false, false}});
  host_.playlists.push_back({"Second", {b}, {false}});
  EXPECT_EQ(rows("SELECT rowid, playlist_name, playlist_index, playlist_item, title FROM Playlist"),
            "0,First,0,1,a;1,First,0,2,b;2,Second,1,1,b;");
}

TEST_F(ColumnValuesTest, SplitTagGivesOneRowPerValueLastFirst) {
  host_.library = {buildTrack({.meta = {{"artist", {"A", "B", "C"}}, {"album", {"L"}}}}),
                   buildTrack({.meta = {{"artist", {"D"}}, {"album", {"M"}}}})};
  setColumns(TableType::kMediaLibrary, {{.name = "album"}, {.name = "artist", .split = true}});
  EXPECT_EQ(rows("SELECT rowid, artist, album FROM MediaLibrary"), "0,C,L;0,B,L;0,A,L;1,D,M;");
  // Rows multiply only for columns the statement reads.
  EXPECT_EQ(rows("SELECT count(*) FROM MediaLibrary"), "2;");
  EXPECT_EQ(rows("SELECT count(*) FROM MediaLibrary WHERE artist <> ''"), "4;");
}

struct SplitCase {
  const char* label;
  std::vector<ColumnFields> columns;
  const char* query;
  const char* expected;
};

class SplitTest : public LibraryTablesTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(SplitTest, MultiValueColumnsCombine) {
  host_.library = {buildTrack({.meta = {{"a", {"a1", "a2"}}, {"b", {"b1", "b2", "b3"}}, {"c", {"c1"}}}})};
  setColumns(TableType::kMediaLibrary, GetParam().columns);
  EXPECT_EQ(rows(GetParam().query), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTest,
    ::testing::Values(
        SplitCase{"TwoSplitColumnsMultiply",
                  {{.name = "a", .split = true}, {.name = "b", .split = true}},
                  "SELECT a, b FROM MediaLibrary",
                  "a2,b3;a1,b3;a2,b2;a1,b2;a2,b1;a1,b1;"},
        SplitCase{"AssociatedColumnPairsByIndex",
                  {{.name = "a", .split = true}, {.name = "b", .split = true, .associated = "a"}},
                  "SELECT a, b FROM MediaLibrary",
                  "a2,b2;a1,b1;"},
        SplitCase{"AssociatedColumnWithFewerValuesIsNull",
                  {{.name = "b", .split = true}, {.name = "c", .split = true, .associated = "b"}},
                  "SELECT b, c FROM MediaLibrary",
                  "b3,-;b2,-;b1,c1;"},
        SplitCase{"AssociatedColumnReadFirst",
                  {{.name = "a", .split = true}, {.name = "b", .split = true, .associated = "a"}},
                  "SELECT a FROM MediaLibrary WHERE b = 'b1'",
                  "a1;"},
        SplitCase{"UnresolvedAssociationIsNull",
                  {{.name = "a", .split = true, .associated = "nowhere"}},
                  "SELECT a FROM MediaLibrary",
                  "-;"},
        SplitCase{"JoinedUsesTheSeparator",
                  {{.name = "b", .separator = " / "}},
                  "SELECT b FROM MediaLibrary",
                  "b1 / b2 / b3;"}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.label); });

// Columns that are not split keep no state from row to row; these cases pin
// what they read beside split columns and on awkward fields.
class JoinedTagTest : public LibraryTablesTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(JoinedTagTest, ReadsTheTrackOfTheRow) {
  host_.library = {buildTrack({.meta = {{"a", {"a1", "a2"}}, {"b", {"b1", "b2"}}}}),
                   buildTrack({.meta = {{"a", {""}}, {"b", {"b3"}}}}), buildTrack({.meta = {{"b", {"b4", "b5"}}}}),
                   buildTrack({.meta = {{"a", {"x"}}}})};
  setColumns(TableType::kMediaLibrary, GetParam().columns);
  EXPECT_EQ(rows(GetParam().query), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinedTagTest,
    ::testing::Values(
        SplitCase{"SeveralOneEmptyOrNoValues",
                  {{.name = "a"}},
                  "SELECT a, typeof(a) FROM MediaLibrary",
                  "a1 \xC2\xB7 a2,text;,text;-,null;x,text;"},
        SplitCase{
            "SameColumnTwiceOnARow",
            {{.name = "a"}, {.name = "b"}},
            "SELECT a, b, a, b || a FROM MediaLibrary",
            "a1 \xC2\xB7 a2,b1 \xC2\xB7 b2,a1 \xC2\xB7 a2,b1 \xC2\xB7 b2a1 \xC2\xB7 a2;,b3,,b3;-,b4 \xC2\xB7 b5,-,-;"
            "x,-,x,-;"},
        SplitCase{"RepeatedOnTheRowsOfASplit",
                  {{.name = "a"}, {.name = "b", .split = true}},
                  "SELECT a, b FROM MediaLibrary",
                  "a1 \xC2\xB7 a2,b2;a1 \xC2\xB7 a2,b1;,b3;-,b5;-,b4;x,-;"},
        SplitCase{"SplitAssociatedWithIt",
                  {{.name = "a"}, {.name = "b", .split = true, .associated = "a"}},
                  "SELECT a, b FROM MediaLibrary",
                  "a1 \xC2\xB7 a2,b1;,b3;-,-;x,-;"},
        SplitCase{"SplitAssociatedWithItReadFirst",
                  {{.name = "a"}, {.name = "b", .split = true, .associated = "a"}},
                  "SELECT b, a FROM MediaLibrary WHERE b IS NOT NULL OR a IS NULL",
                  "b1,a1 \xC2\xB7 a2;b3,;-,-;"}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.label); });

// A joined value, made anew on each row, must outlive its row: the
// aggregate holds the greatest and least values met on earlier rows.
TEST_F(ColumnValuesTest, AnAggregateKeepsTheJoinedValuesOfEarlierRows) {
  host_.library = {buildTrack({.meta = {{"a", {"m1", "m2"}}, {"t", {"1"}}}}),
                   buildTrack({.meta = {{"a", {"z1", "z2"}}, {"t", {"2"}}}}),
                   buildTrack({.meta = {{"a", {"b1", "b2"}}, {"t", {"3"}}}}),
                   buildTrack({.meta = {{"a", {"m1", "m2"}}, {"t", {"4"}}}})};
  setColumns(TableType::kMediaLibrary, {{.name = "a"}, {.name = "t"}});
  EXPECT_EQ(rows("SELECT max(a), min(a), count(DISTINCT a) FROM MediaLibrary"),
            "z1 \xC2\xB7 z2,b1 \xC2\xB7 b2,3;");
  // A correlated subquery runs its scan again for every outer row, while the
  // outer aggregate still holds what an earlier run gave.
  EXPECT_EQ(rows("SELECT max((SELECT max(i.a) FROM MediaLibrary i WHERE i.t = o.t)) FROM MediaLibrary o"),
            "z1 \xC2\xB7 z2;");
}

TEST_F(ColumnValuesTest, NoSplitTableJoinsSplitColumns) {
  host_.library = {buildTrack({.meta = {{"artist", {"A", "B", "C"}}}})};
  setColumns(TableType::kMediaLibrary, {{.name = "artist", .split = true}});
  ASSERT_EQ(error("CREATE VIRTUAL TABLE joined USING MetaDB_Module(medialibrary, no_multivalue_split)"), "");
  EXPECT_EQ(rows("SELECT artist FROM joined"), "A \xC2\xB7 B \xC2\xB7 C;");
  EXPECT_EQ(rows("SELECT artist FROM MediaLibrary"), "C;B;A;");
}

TEST_F(ColumnValuesTest, RowBuiltValuesSurviveTheNextRow) {
  // Aggregates keep a value across rows; text built per row must be copied.
  host_.library = {buildTrack({.meta = {{"genre", {"Rock", "Pop"}}, {"title", {"t1"}}}}),
                   buildTrack({.meta = {{"genre", {"Jazz"}}, {"title", {"t2"}}}}),
                   buildTrack({.meta = {{"genre", {"Blues", "Soul"}}, {"title", {"t0"}}}})};
  setColumns(TableType::kMediaLibrary,
             {{.name = "genre"}, {.name = "t", .kind = ColumnType::kTFExpression, .expression = "<%title%>"}});
  EXPECT_EQ(rows("SELECT min(genre), max(genre), min(t), max(t) FROM MediaLibrary"),
            "Blues \xC2\xB7 Soul,Rock \xC2\xB7 Pop,<t0>,<t2>;");
  EXPECT_EQ(rows("SELECT genre FROM MediaLibrary ORDER BY genre"),
            "Blues \xC2\xB7 Soul;Jazz;Rock \xC2\xB7 Pop;");
}

TEST_F(ColumnValuesTest, AHostFailureWhileReadingAValueFailsTheStatementWithItsMessage) {
  host_.library = {buildTrack({.meta = {{"title", {"t"}}}})};
  setColumns(TableType::kMediaLibrary,
             {{.name = "title"}, {.name = "t", .kind = ColumnType::kTFExpression, .expression = "%title%"}});
  host_.format_failure = "the formatter gave up";
  EXPECT_THAT(rows("SELECT title, t FROM MediaLibrary"), HasSubstr("the formatter gave up"));
  // The connection is sound after it: the next statement runs.
  EXPECT_EQ(rows("SELECT title FROM MediaLibrary"), "t;");
}

TEST_F(ColumnValuesTest, TextsWithAZeroByteKeepTheirWholeLength) {
  // SQLite is told the length of such a text; of the others, that they end
  // with the zero after them.
  host_.library = {buildTrack({.path = std::string("file:///a\0b.flac", 16),
                               .meta = {{"artist", {std::string("x\0y", 3)}}}}),
                   buildTrack({.path = "file:///plain.flac", .meta = {{"artist", {"xy"}}}})};
  database();
  EXPECT_EQ(rows("SELECT hex(artist), hex(filename_ext), length(path) FROM MediaLibrary"),
            "780079,6100622E666C6163,2;7879,706C61696E2E666C6163,11;");
}

TEST_F(ColumnValuesTest, EveryHandleReadAppendsAnEntry) {
  host_.library = {buildTrack({}), buildTrack({})};
  database();
  EXPECT_EQ(rows("SELECT metadb_handle, metadb_handle + 0 FROM MediaLibrary"), "0,1;2,3;");
  HandleTable& handles = HandleTable::instance();
  ASSERT_EQ(handles.size(), 4u);
  ASSERT_NE(handles.get(1), nullptr);
  ASSERT_NE(handles.get(2), nullptr);
  EXPECT_EQ(*handles.get(1), host_.library[0]);
  EXPECT_EQ(*handles.get(2), host_.library[1]);
}

class TfTest : public LibraryTablesTest {
 protected:
  void SetUp() override {
    LibraryTablesTest::SetUp();
    host_.library = {buildTrack({.meta = {{"title", {"One"}}, {"num", {"999"}}}}),
                     buildTrack({.meta = {{"title", {"Two"}}, {"num", {"0"}}}})};
    setColumns(TableType::kMediaLibrary, {{.name = "title"}, {.name = "num"}, {.name = "missing"}});
  }
};

TEST_F(TfTest, FormatsTheTrackOfEachRow) {
  EXPECT_EQ(rows("SELECT tf(metadb_handle, '[%title%]') FROM MediaLibrary"), "[One];[Two];");
  EXPECT_EQ(rows("SELECT TF(metadb_handle, '[%title%]') FROM MediaLibrary"), "[One];[Two];");
  EXPECT_EQ(library_tables::TitleFormatCache::instance().size(), 1u);
}

TEST_F(TfTest, NullAndBadArguments) {
  struct Case {
    const char* query;
    const char* expected;  // rows, or "error: " + text the message contains
  };
  const Case cases[] = {
      {"SELECT tf(metadb_handle, NULL) FROM MediaLibrary", "-;-;"},
      {"SELECT tf(metadb_handle, '!bad') FROM MediaLibrary", "<ERROR>;<ERROR>;"},
      {"SELECT tf(num, '%title%') FROM MediaLibrary", "error: illegal first argument to tf"},
      {"SELECT tf(metadb_handle, '%title') FROM MediaLibrary", "error: unable to evaluate title format expression"},
      {"SELECT tf(1, '%title%')", "error: unable to use function tf in the requested context"},
      {"SELECT tf(metadb_handle) FROM MediaLibrary", "error: wrong number of arguments to function tf()"},
      {"SELECT tf(metadb_handle, '%title%', 1) FROM MediaLibrary",
       "error: wrong number of arguments to function tf()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    const std::string result = rows(c.query);
    const std::string expected = c.expected;
    if (expected.starts_with("error: ")) {
      EXPECT_THAT(result, HasSubstr(expected.substr(7)));
    } else {
      EXPECT_EQ(result, expected);
    }
  }
}

TEST_F(TfTest, AnExpressionThatDoesNotCompileIsReportedOnceWithTheReason) {
  host_.console.clear();
  EXPECT_EQ(rows("SELECT tf(metadb_handle, '!bad 1') FROM MediaLibrary"), "<ERROR>;<ERROR>;");
  EXPECT_EQ(rows("SELECT tf(metadb_handle, '!bad 1'), tf(metadb_handle, '[%title%]') FROM MediaLibrary"),
            "<ERROR>,[One];<ERROR>,[Two];");
  EXPECT_EQ(rows("SELECT tf(metadb_handle, '!bad 2') FROM MediaLibrary"), "<ERROR>;<ERROR>;");
  EXPECT_EQ(host_.console,
            (std::vector<std::string>{
                "[vostrel] tf(): the title-formatting expression \"!bad 1\" does not compile: does not compile",
                "[vostrel] tf(): the title-formatting expression \"!bad 2\" does not compile: does not compile"}));
}

TEST_F(TfTest, NullHandleReadsAsIndexZero) {
  HandleTable::instance().clear();
  EXPECT_THAT(rows("SELECT tf(missing, '%title%') FROM MediaLibrary"), HasSubstr("illegal first argument to tf"));
  HandleTable::instance().append(host_.library[1]);
  EXPECT_EQ(rows("SELECT tf(missing, '%title%') FROM MediaLibrary"), "-;-;");
  EXPECT_EQ(rows("SELECT tf(num, '%title%') FROM MediaLibrary WHERE num = '0'"), "Two;");
}

}  // namespace
}  // namespace library_tables_testing
