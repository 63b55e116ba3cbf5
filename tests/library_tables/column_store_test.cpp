#include "library_tables/column_store.h"

#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "library_fixture.h"
#include "library_tables/vtab_exception.h"
#include "support/sql_trace.h"

namespace library_tables_testing {
namespace {

using library_tables::ColumnType;
using library_tables::SQLiteMetaDBVTabColumn;
using library_tables::TableType;
using library_tables::VTabColumns;
using library_tables::VTabColumnStore;
using ::testing::HasSubstr;

// "name:kind" for each column.
std::string describe(const VTabColumns& columns) {
  std::string out;
  for (const SQLiteMetaDBVTabColumn& column : columns) {
    if (!out.empty()) out += " ";
    out += column.name() + ":" + std::to_string(static_cast<int>(column.kind()));
  }
  return out;
}

ColumnType kindOf(const VTabColumns& columns, const std::string& name) {
  const int32_t index = library_tables::findColumn(columns, name);
  return index < 0 ? static_cast<ColumnType>(-1) : columns[static_cast<std::size_t>(index)].kind();
}

using ColumnStoreTest = LibraryTablesTest;

// An empty library (the desktop's first start, before its first scan) gets
// the common tags and technical fields too, so that the example tree and
// the first queries work once the tracks arrive.
TEST_F(ColumnStoreTest, EmptyLibraryGetsPredefinedColumnsInByteOrder) {
  const VTabColumns& columns = VTabColumnStore::instance().columns(TableType::kMediaLibrary, database(), false);
  ASSERT_EQ(describe(columns),
            "metadb_handle:3 %album artist%:2 %artist%:2 %title%:2 %track artist%:2 album:0 album artist:0 "
            "artist:0 bitrate:1 bitspersample:1 channels:1 codec:1 codec_profile:1 comment:0 composer:0 date:0 "
            "directoryname:7 discnumber:0 filename:7 filename_ext:7 filesize:8 filesize_natural:7 genre:0 "
            "last_modified:7 length:4 length_seconds:6 path:7 performer:0 replaygain_album_gain:6 "
            "replaygain_album_peak:6 replaygain_track_gain:6 replaygain_track_peak:6 samplerate:1 subsong:8 "
            "title:0 totaldiscs:0 totaltracks:0 tracknumber:0");
  const SQLiteMetaDBVTabColumn& handle = columns[0];
  EXPECT_TRUE(handle.hidden());
  EXPECT_EQ(handle.collation(), "");
  const SQLiteMetaDBVTabColumn& album_artist = columns[1];
  EXPECT_EQ(album_artist.expression(), "[%album artist%]");
  EXPECT_EQ(album_artist.collation(), "NaturalNoCase");
  EXPECT_EQ(album_artist.separator(), " \xC2\xB7 ");
  EXPECT_FALSE(album_artist.hidden());
  // The defaults were stored, the built-in column was not.
  EXPECT_EQ(rows("SELECT count(*), min(vtc_column_name) FROM mdb_VTableColumn WHERE vtc_table_type=0"),
            std::to_string(columns.size() - 1) + ",%album artist%;");
}

struct DefaultKindCase {
  const char* label;
  std::vector<std::pair<std::string, std::vector<std::string>>> meta;
  std::vector<std::pair<std::string, std::string>> tech;
  const char* column;
  ColumnType kind;
};

class DefaultKindTest : public LibraryTablesTest, public ::testing::WithParamInterface<DefaultKindCase> {};

TEST_P(DefaultKindTest, TrackFieldsDecideTheKind) {
  const DefaultKindCase& c = GetParam();
  host_.library = {buildTrack({.meta = c.meta, .tech = c.tech})};
  const VTabColumns& columns = VTabColumnStore::instance().columns(TableType::kMediaLibrary, database(), false);
  EXPECT_EQ(kindOf(columns, c.column), c.kind) << describe(columns);
  EXPECT_EQ(describe(columns).find("Artist"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultKindTest,
    ::testing::Values(DefaultKindCase{"CapitalisedTagFolds", {{"Artist", {"A"}}}, {}, "artist", ColumnType::kTag},
                      DefaultKindCase{"TagBeatsPredefinedLength", {{"length", {"x"}}}, {}, "length", ColumnType::kTag},
                      DefaultKindCase{"UpperCaseTagBeatsPredefined", {{"LENGTH", {"x"}}}, {}, "length",
                                      ColumnType::kTag},
                      DefaultKindCase{"TechnicalField", {}, {{"samplerate", "44100"}}, "samplerate",
                                      ColumnType::kTechInfo},
                      DefaultKindCase{"TagNamedLikeAFileColumn", {{"Path", {"p"}}}, {}, "path", ColumnType::kTag},
                      DefaultKindCase{"TagWithSpace", {{"Album Artist", {"a"}}}, {}, "album artist",
                                      ColumnType::kTag},
                      DefaultKindCase{"PredefinedStaysWithoutTag", {{"mood", {"calm"}}}, {}, "length",
                                      ColumnType::kInfoText}),
    [](const ::testing::TestParamInfo<DefaultKindCase>& info) { return std::string(info.param.label); });

TEST_F(ColumnStoreTest, PlaylistDefaultsComeFromPlaylistItems) {
  host_.library = {buildTrack({.meta = {{"mood", {"calm"}}}})};
  host_.playlists.push_back({"P", {buildTrack({.meta = {{"conductor", {"C"}}}})}, {false}});
  db::SQLiteDatabase& db = database();
  VTabColumnStore& store = VTabColumnStore::instance();
  const VTabColumns& playlist = store.columns(TableType::kPlaylist, db, false);
  EXPECT_EQ(kindOf(playlist, "playlist_index"), ColumnType::kPlaylistInteger);
  EXPECT_EQ(kindOf(playlist, "playlist_item"), ColumnType::kPlaylistInteger);
  EXPECT_EQ(kindOf(playlist, "playlist_name"), ColumnType::kPlaylistText);
  EXPECT_EQ(kindOf(playlist, "conductor"), ColumnType::kTag);
  EXPECT_LT(library_tables::findColumn(playlist, "mood"), 0);
  const VTabColumns& library = store.columns(TableType::kMediaLibrary, db, false);
  EXPECT_EQ(kindOf(library, "mood"), ColumnType::kTag);
  EXPECT_LT(library_tables::findColumn(library, "conductor"), 0);
  EXPECT_LT(library_tables::findColumn(library, "playlist_name"), 0);
}

// A library whose fields outnumber what a table can declare.
class TooManyFieldsTest : public LibraryTablesTest, public ::testing::WithParamInterface<TableType> {};

TEST_P(TooManyFieldsTest, OfferedNamesStayAndTheRestOfTheFieldsAreCounted) {
  const TableType type = GetParam();
  // All of these sort before every offered name but "%artist%" and the like.
  std::vector<std::pair<std::string, std::vector<std::string>>> meta;
  for (int i = 0; i < 3000; ++i) meta.push_back({"a" + std::to_string(10000 + i).substr(1), {"x"}});
  const host::TrackHandle track = buildTrack({.meta = meta, .tech = {{"b_tech", "1"}}});
  host_.library = {track};
  host_.playlists.push_back({"P", {track}, {false}});
  const std::string table(library_tables::tableTypeName(type));
  ASSERT_EQ(rows("SELECT count(*) FROM " + table), "1;");  // the table is declared

  const VTabColumns& columns = VTabColumnStore::instance().columns(type, database(), false);
  const auto limit = static_cast<std::size_t>(sqlite3_limit(database().handle(), SQLITE_LIMIT_COLUMN, -1));
  ASSERT_EQ(columns.size(), limit);
  std::vector<std::string> offered = {"%artist%", "album", "artist", "codec", "length", "path", "subsong",
                                      "title", "totaltracks"};
  if (type == TableType::kPlaylist) offered.insert(offered.end(), {"playlist_index", "playlist_item", "playlist_name"});
  for (const std::string& name : offered) EXPECT_GE(library_tables::findColumn(columns, name), 0) << name;
  EXPECT_GE(library_tables::findColumn(columns, "a0000"), 0);  // then the fields in order
  EXPECT_LT(library_tables::findColumn(columns, "a2999"), 0);
  EXPECT_LT(library_tables::findColumn(columns, "b_tech"), 0);

  const std::size_t predefined = type == TableType::kPlaylist ? 40 : 37;
  const std::size_t left_out = 1 + 3001 + predefined - limit;
  const std::string line = std::to_string(left_out) + " tag and info names were left out of " + table +
                           ": a table takes at most " + std::to_string(limit) + " columns";
  std::size_t lines = 0;
  for (const std::string& entry : host_.console) {
    if (entry.find("left out of " + table + ":") != std::string::npos) {
      ++lines;
      EXPECT_THAT(entry, HasSubstr(line));
      EXPECT_EQ(entry.find(">>>>"), std::string::npos) << "a notice, not an error";
    }
  }
  EXPECT_EQ(lines, 1u);
}

INSTANTIATE_TEST_SUITE_P(BothTables, TooManyFieldsTest,
                         ::testing::Values(TableType::kMediaLibrary, TableType::kPlaylist),
                         [](const ::testing::TestParamInfo<TableType>& info) {
                           return std::string(library_tables::tableTypeName(info.param));
                         });

TEST_F(ColumnStoreTest, ATagNamedLikeTheBuiltInColumnIsNotDeclaredTwice) {
  host_.library = {buildTrack({.meta = {{"MetaDB_Handle", {"x"}}, {"mood", {"calm"}}}})};
  EXPECT_EQ(rows("SELECT mood, typeof(metadb_handle) FROM MediaLibrary"), "calm,integer;");
  const VTabColumns& columns = VTabColumnStore::instance().columns(TableType::kMediaLibrary, database(), false);
  EXPECT_EQ(describe(columns).find("metadb_handle", 1), std::string::npos) << describe(columns);
}

TEST_F(ColumnStoreTest, SaveIssuesExactStatementsInOneTransaction) {
  db::SQLiteDatabase& db = database();
  VTabColumnStore& store = VTabColumnStore::instance();
  VTabColumns list;
  library_tables::copyColumns(store.columns(TableType::kPlaylist, db, false), list);
  while (list.size() > 1) list.removeAt(list.size() - 1);
  SQLiteMetaDBVTabColumn& column =
      list.emplace(host_, "NaturalNoCase", "x", ColumnType::kTag, false, "", " - ", "<null>", "y");
  column.setSplitMultiValueTag(true);
  testing_support::SqlTrace trace(db.handle());
  store.saveColumns(TableType::kPlaylist, list, db);
  EXPECT_THAT(trace.statements,
              ::testing::ElementsAre(
                  "BEGIN TRANSACTION", "DELETE FROM mdb_VTableColumn WHERE vtc_table_type=1",
                  "INSERT INTO mdb_VTableColumn(vtc_table_type,vtc_column_name,vtc_column_type,"
                  "vtc_default_collation,vtc_tf_expression,vtc_multivalue_separator,vtc_split_multivalue_tag,"
                  "vtc_tag_name,vtc_associated_column)VALUES (1,'x',0,'NaturalNoCase','',' - ',1,NULL,'y')",
                  "COMMIT TRANSACTION"));
}

TEST_F(ColumnStoreTest, ApostrophesSurviveSaveLoadAndDeclaration) {
  host_.library = {buildTrack({.meta = {{"o'brien", {"yes"}}}})};
  setColumns(TableType::kMediaLibrary, {{.name = "it's", .tag_name = "o'brien"}});
  EXPECT_EQ(rows("SELECT vtc_column_name, vtc_tag_name FROM mdb_VTableColumn WHERE vtc_table_type=0"),
            "it's,o'brien;");
  const VTabColumns& columns = VTabColumnStore::instance().columns(TableType::kMediaLibrary, database(), true);
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[1].name(), "it's");
  EXPECT_EQ(columns[1].tagName(), "o'brien");
  EXPECT_EQ(rows("SELECT \"it's\" FROM MediaLibrary"), "yes;");
}

TEST_F(ColumnStoreTest, LoadReadsNullsAsDefaultsAndResolvesAssociations) {
  db::SQLiteDatabase& db = database();
  db.Execute(
      "DELETE FROM mdb_VTableColumn;"
      "INSERT INTO mdb_VTableColumn(vtc_table_type,vtc_column_name,vtc_column_type) VALUES (0,'plain',0);"
      "INSERT INTO mdb_VTableColumn VALUES (0,'role',0,'','',NULL,1,'','artist');"
      "INSERT INTO mdb_VTableColumn VALUES (0,'artist',0,NULL,NULL,NULL,1,NULL,NULL);"
      "INSERT INTO mdb_VTableColumn VALUES (0,'lost',0,NULL,NULL,NULL,1,NULL,'nowhere');"
      "INSERT INTO mdb_VTableColumn VALUES (0,'joined',0,NULL,NULL,NULL,0,NULL,'artist');");
  const VTabColumns& columns = VTabColumnStore::instance().columns(TableType::kMediaLibrary, db, true);
  ASSERT_EQ(describe(columns), "metadb_handle:3 artist:0 joined:0 lost:0 plain:0 role:0");
  const SQLiteMetaDBVTabColumn& plain = columns[4];
  EXPECT_EQ(plain.collation(), "NaturalNoCase");
  EXPECT_EQ(plain.separator(), " \xC2\xB7 ");
  EXPECT_FALSE(plain.splitMultiValueTag());
  EXPECT_EQ(columns[5].collation(), "");
  EXPECT_EQ(columns[5].associatedIndex(), 1);  // role follows artist
  EXPECT_EQ(columns[3].associatedIndex(), -1);  // no column "nowhere"
  EXPECT_EQ(columns[2].associatedIndex(), -1);  // not split
}

TEST_F(ColumnStoreTest, StoredColumnsWinOverDefaultsInTheNextProcess) {
  setColumns(TableType::kMediaLibrary, {{.name = "mine"}});
  db_.reset();
  // A new process: empty lists, first open again.
  library_tables::resetProcessState();
  host_.library = {buildTrack({.meta = {{"mood", {"calm"}}}})};
  const VTabColumns& columns = VTabColumnStore::instance().columns(TableType::kMediaLibrary, database(), false);
  EXPECT_EQ(describe(columns), "metadb_handle:3 mine:0");
}

TEST_F(ColumnStoreTest, LoadAndSaveErrorsAreReportedNotThrown) {
  db::SQLiteDatabase& db = database();
  {
    const db::OwnSchemaChange unguarded(db);  // as another program could
    db.Execute("DROP TABLE mdb_VTableColumn");
  }
  host_.console.clear();
  VTabColumnStore& store = VTabColumnStore::instance();
  const VTabColumns& columns = store.columns(TableType::kMediaLibrary, db, true);
  EXPECT_EQ(describe(columns), "metadb_handle:3");
  ASSERT_EQ(host_.console.size(), 1u);
  EXPECT_THAT(host_.console[0], HasSubstr(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>\nSQLite Error: (1) no such table"));
  store.saveColumns(TableType::kMediaLibrary, columns, db);
  ASSERT_EQ(host_.console.size(), 2u);
  EXPECT_THAT(host_.console[1], HasSubstr("no such table: mdb_VTableColumn"));
  EXPECT_EQ(db.transactionDepth(), 0u);
}

TEST_F(ColumnStoreTest, TableIsCreatedWithItsExactDefinitionAndVersion) {
  EXPECT_EQ(rows("SELECT sql FROM sqlite_master WHERE name='mdb_VTableColumn'"),
            "CREATE TABLE mdb_VTableColumn(vtc_table_type INTEGER NOT NULL,vtc_column_name TEXT NOT NULL,"
            "vtc_column_type INTEGER NOT NULL,vtc_default_collation TEXT,vtc_tf_expression TEXT,"
            "vtc_multivalue_separator TEXT,vtc_split_multivalue_tag INTEGER,vtc_tag_name TEXT,"
            "vtc_associated_column TEXT,PRIMARY KEY(vtc_table_type,vtc_column_name));");
  EXPECT_EQ(rows("SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='mdb_VTableColumn'"), "1;");
}

TEST_F(ColumnStoreTest, ExpressionThatDoesNotCompileShowsError) {
  SQLiteMetaDBVTabColumn column(host_, "", "c", ColumnType::kTFExpression, false, "[%x% !bad]", "", "", "");
  std::string out;
  ASSERT_TRUE(host_.formatTitle(*buildTrack({}), *column.script(), out));
  EXPECT_EQ(out, "<ERROR>");
  column.setExpression("%x%");
  ASSERT_TRUE(host_.formatTitle(*buildTrack({.meta = {{"x", {"ok"}}}}), *column.script(), out));
  EXPECT_EQ(out, "ok");
}

// A host whose title formatting compiles nothing at all.
class BrokenCompilerHost : public testing_support::FakeHost {
 public:
  using FakeHost::FakeHost;
  host::TitleFormatScriptPtr compileTitleFormat(std::string_view, std::string*) const override { return nullptr; }
};

TEST_F(ColumnStoreTest, UncompilableErrorTextIsABugCheck) {
  BrokenCompilerHost broken(dir_.path());
  try {
    SQLiteMetaDBVTabColumn column(broken, "", "c", ColumnType::kTFExpression, false, "x", "", "", "");
    FAIL() << "constructed";
  } catch (const library_tables::BugCheck& e) {
    EXPECT_EQ(e.message(), "Bug check");
  }
}

}  // namespace
}  // namespace library_tables_testing
