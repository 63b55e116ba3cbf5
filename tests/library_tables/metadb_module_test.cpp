#include "library_tables/metadb_module.h"

#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "library_fixture.h"
#include "library_tables/handle_table.h"
#include "library_tables/row_set.h"
#include "library_tables/vtab_exception.h"
#include "support/sql_trace.h"

namespace library_tables_testing {
namespace {

using library_tables::ColumnType;
using library_tables::TableType;
using library_tables::VTabColumns;
using library_tables::VTabColumnStore;
using ::testing::HasSubstr;

class MetaDbModuleTest : public LibraryTablesTest {
 protected:
  // Two library tracks and one playlist of three items.
  void fillHost() {
    host_.library = {buildTrack({.path = "file:///x.flac", .meta = {{"artist", {"X"}}}}),
                     buildTrack({.path = "file:///y.flac", .meta = {{"artist", {"Y"}}}})};
    host_.playlists.push_back(
        {"P", {host_.library[0], host_.library[0], host_.library[1]}, {false, false, false}});
  }
};

struct ArgumentCase {
  const char* label;
  const char* setup;
  const char* query;
  const char* expected;  // rows, or the text the error must contain
};

class ModuleArgumentTest : public MetaDbModuleTest, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(ModuleArgumentTest, ArgumentsChooseTypeOrFail) {
  const ArgumentCase& c = GetParam();
  fillHost();
  const std::string failure = error(c.setup);
  if (c.query == nullptr) {
    EXPECT_THAT(failure, HasSubstr(c.expected));
    return;
  }
  ASSERT_EQ(failure, "");
  EXPECT_EQ(rows(c.query), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleArgumentTest,
    ::testing::Values(
        ArgumentCase{"PlaylistArgument", "CREATE VIRTUAL TABLE t USING MetaDB_Module(playlist)",
                     "SELECT count(*), max(playlist_item) FROM t", "3,3;"},
        ArgumentCase{"ArgumentBeatsName",
                     "DROP TABLE Playlist; CREATE VIRTUAL TABLE playlist USING MetaDB_Module(medialibrary)",
                     "SELECT count(*) FROM playlist", "2;"},
        ArgumentCase{"NameDecidesWithoutArgument", "CREATE VIRTUAL TABLE other USING MetaDB_Module",
                     "SELECT count(*) FROM other", "2;"},
        ArgumentCase{"LaterArgumentWins", "CREATE VIRTUAL TABLE t USING MetaDB_Module(medialibrary, playlist)",
                     "SELECT count(*) FROM t", "3;"},
        ArgumentCase{"ThreeArguments",
                     "CREATE VIRTUAL TABLE t USING MetaDB_Module(playlist, no_multivalue_split, add_defaults)",
                     "SELECT count(*) FROM t", "3;"},
        ArgumentCase{"FourArguments",
                     "CREATE VIRTUAL TABLE t USING MetaDB_Module(playlist, playlist, playlist, playlist)", nullptr,
                     "Invalid number of arguments for module MetaDB_Module"},
        ArgumentCase{"ArgumentsAreCaseSensitive", "CREATE VIRTUAL TABLE t USING MetaDB_Module(Add_defaults)",
                     nullptr, "Unkown argumet Add_defaults for module MetaDB_Module"},
        ArgumentCase{"UnknownArgument", "CREATE VIRTUAL TABLE t USING MetaDB_Module(split)", nullptr,
                     "Unkown argumet split for module MetaDB_Module"}),
    [](const ::testing::TestParamInfo<ArgumentCase>& info) { return std::string(info.param.label); });

TEST_F(MetaDbModuleTest, AddDefaultsStoresOnlyMissingColumns) {
  setColumns(TableType::kMediaLibrary, {{.name = "artist", .kind = ColumnType::kTechInfo}, {.name = "mine"}});
  host_.library = {buildTrack({.meta = {{"mood", {"calm"}}}})};
  ASSERT_EQ(error("CREATE VIRTUAL TABLE t USING MetaDB_Module(add_defaults)"), "");
  // The stored artist keeps its kind; mood and the predefined columns came in.
  EXPECT_EQ(rows("SELECT vtc_column_type FROM mdb_VTableColumn WHERE vtc_table_type=0 AND vtc_column_name IN "
                 "('artist','mine','mood','path') ORDER BY vtc_column_name"),
            "1;0;0;7;");
  EXPECT_EQ(rows("SELECT mood, path FROM t"), "calm,/music/a.flac;");
}

TEST_F(MetaDbModuleTest, AddDefaultsKeepsTheStoredColumnsWhenTheTableIsNearlyFull) {
  const auto limit = static_cast<std::size_t>(sqlite3_limit(database().handle(), SQLITE_LIMIT_COLUMN, -1));
  std::vector<ColumnFields> stored;
  for (std::size_t i = 0; i + 5 < limit; ++i) stored.push_back({.name = "z" + std::to_string(10000 + i)});
  setColumns(TableType::kMediaLibrary, stored);
  host_.library = {buildTrack({.meta = {{"mood", {"calm"}}}})};
  host_.console.clear();
  ASSERT_EQ(error("CREATE VIRTUAL TABLE t USING MetaDB_Module(add_defaults)"), "");
  EXPECT_EQ(rows("SELECT count(*) FROM t"), "1;");
  // Four more fit beside the built-in column; the offered names come first.
  EXPECT_EQ(rows("SELECT count(*) FROM mdb_VTableColumn WHERE vtc_table_type=0 AND vtc_column_name LIKE 'z%'"),
            std::to_string(stored.size()) + ";");
  EXPECT_EQ(rows("SELECT group_concat(vtc_column_name, '|') FROM mdb_VTableColumn WHERE vtc_table_type=0 AND "
                 "vtc_column_name NOT LIKE 'z%'"),
            "%album artist%|%artist%|%title%|%track artist%;");
  ASSERT_EQ(host_.console.size(), 1u);
  EXPECT_THAT(host_.console[0], HasSubstr("34 tag and info names were left out of MediaLibrary"));
}

TEST_F(MetaDbModuleTest, DeclarationQuotesNamesAndTypes) {
  setColumns(TableType::kMediaLibrary, {{.name = "album"}, {.name = "size", .kind = ColumnType::kFileInteger}});
  EXPECT_EQ(library_tables::cachedDeclaration(TableType::kMediaLibrary),
            "CREATE TABLE x('metadb_handle' HIDDEN \"Handle (Integer)\",\n"
            "'album' \"Tag (Text)\" COLLATE NaturalNoCase,\n"
            "'size' \"Predefined (Integer)\" COLLATE NaturalNoCase)");
}

TEST_F(MetaDbModuleTest, TooManyColumnsCannotBeDeclared) {
  VTabColumns columns;
  for (std::size_t i = 0; i < library_tables::kMaxDeclaredColumns; ++i) {
    columns.emplace(host_, "", "c" + std::to_string(i), ColumnType::kTag, false, "", "", "", "");
  }
  EXPECT_NO_THROW(library_tables::declarationText(columns, "T"));
  columns.emplace(host_, "", "last", ColumnType::kTag, false, "", "", "", "");
  try {
    library_tables::declarationText(columns, "T");
    FAIL() << "declared";
  } catch (const library_tables::VTabException& e) {
    EXPECT_EQ(e.message(), "Too many columns (32677) for the virtual table T");
  }
}

TEST_F(MetaDbModuleTest, DeclarationFailureFailsTheRebuild) {
  struct Case {
    const char* label;
    std::vector<ColumnFields> columns;
    const char* cause;
  };
  const Case cases[] = {
      {"names equal ignoring case", {{.name = "Artist"}, {.name = "artist"}}, "duplicate column name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    db::SQLiteDatabase& db = database();
    VTabColumns list;
    library_tables::copyColumns(VTabColumnStore::instance().columns(TableType::kMediaLibrary, db, false), list);
    while (list.size() > 1) list.removeAt(list.size() - 1);
    for (const ColumnFields& wanted : c.columns) {
      list.emplace(host_, "NaturalNoCase", wanted.name, wanted.kind, false, "", "", "", "");
    }
    VTabColumnStore::instance().replaceColumns(TableType::kMediaLibrary, list, db);
    try {
      library_tables::rebuildVirtualTables(db);
      FAIL() << "rebuilt";
    } catch (const db::SQLiteException& e) {
      EXPECT_THAT(e.message(), HasSubstr("Unable to declare virtual table MediaLibrary:\nSQLite Error: (1)"));
      EXPECT_THAT(e.message(), HasSubstr(c.cause));
    }
  }
}

TEST_F(MetaDbModuleTest, UnknownCollationFailsTheDeclaration) {
  db::SQLiteDatabase& db = database();
  VTabColumns list;
  library_tables::copyColumns(VTabColumnStore::instance().columns(TableType::kPlaylist, db, false), list);
  list.emplace(host_, "NoSuchCollation", "zz", ColumnType::kTag, false, "", "", "", "");
  VTabColumnStore::instance().replaceColumns(TableType::kPlaylist, list, db);
  EXPECT_THROW(library_tables::rebuildVirtualTables(db), db::SQLiteException);
  EXPECT_THAT(error("CREATE VIRTUAL TABLE t USING MetaDB_Module(playlist)"),
              HasSubstr("Unable to declare virtual table t:\n"));
}

TEST_F(MetaDbModuleTest, RebuildRunsFourStatements) {
  db::SQLiteDatabase& db = database();
  testing_support::SqlTrace trace(db.handle());
  library_tables::rebuildVirtualTables(db);
  EXPECT_THAT(trace.statements, ::testing::ElementsAre("DROP TABLE IF EXISTS MediaLibrary",
                                                       "CREATE VIRTUAL TABLE MediaLibrary USING MetaDB_Module",
                                                       "DROP TABLE IF EXISTS Playlist",
                                                       "CREATE VIRTUAL TABLE Playlist USING MetaDB_Module"));
}

TEST_F(MetaDbModuleTest, OnlyTheFirstOpenRebuildsTheTables) {
  database().Execute("DROP TABLE Playlist");
  db::setSchemaReady(true);
  auto later = open();
  EXPECT_EQ(rows(*later, "SELECT name FROM sqlite_master WHERE name IN ('MediaLibrary','Playlist')"),
            "MediaLibrary;");
  db::setSchemaReady(false);
  auto first = open();
  EXPECT_EQ(rows(*first, "SELECT name FROM sqlite_master WHERE name IN ('MediaLibrary','Playlist') ORDER BY 1"),
            "MediaLibrary;Playlist;");
}

TEST_F(MetaDbModuleTest, EmptyLibraryHasNoRows) {
  EXPECT_EQ(rows("SELECT count(*) FROM MediaLibrary"), "0;");
  EXPECT_EQ(rows("SELECT * FROM MediaLibrary"), "");
  EXPECT_EQ(rows("SELECT count(*) FROM Playlist"), "0;");
}

TEST_F(MetaDbModuleTest, EachStatementScansItsOwnSnapshot) {
  fillHost();
  db::SQLiteDatabase& db = database();
  db::SQLiteColumns row;
  db::Prepared running = db.Prepare("SELECT artist FROM MediaLibrary", &row);
  ASSERT_EQ(db.Step(running.query), db::kRow);
  host_.library.push_back(buildTrack({.meta = {{"artist", {"Z"}}}}));
  int more = 0;
  while (db.Step(running.query) == db::kRow) ++more;
  EXPECT_EQ(more, 1);
  EXPECT_EQ(rows("SELECT artist FROM MediaLibrary"), "X;Y;Z;");
}

// A statement prepared before columns were removed still asks for them by
// their old index; the scan answers NULL instead of reading past its plans.
TEST_F(MetaDbModuleTest, ColumnsRemovedAfterPreparingReadAsNull) {
  fillHost();
  setColumns(TableType::kMediaLibrary, {{.name = "album"}, {.name = "artist"}});
  db::SQLiteDatabase& db = database();
  db::SQLiteColumns row;
  db::Prepared prepared = db.Prepare("SELECT artist IS NULL FROM MediaLibrary", &row);
  VTabColumnStore& store = VTabColumnStore::instance();
  VTabColumns fewer;
  copyColumns(store.columns(TableType::kMediaLibrary, db, false), fewer);
  fewer.removeAt(fewer.size() - 1);
  store.replaceColumns(TableType::kMediaLibrary, fewer, db);
  store.columns(TableType::kMediaLibrary, db, true);
  std::string seen;
  while (db.Step(prepared.query) == db::kRow) seen += row.valueList() + ";";
  EXPECT_EQ(seen, "1;1;");
}

TEST_F(MetaDbModuleTest, JoinRestartsTheInnerScan) {
  fillHost();
  EXPECT_EQ(rows("SELECT count(*) FROM MediaLibrary, Playlist"), "6;");
  EXPECT_EQ(rows("SELECT m.artist, count(*) FROM MediaLibrary m JOIN Playlist p ON m.path = p.path "
                 "GROUP BY m.artist ORDER BY 1"),
            "X,2;Y,1;");
}

TEST_F(MetaDbModuleTest, HandleColumnIsHiddenAndNamedIgnoringCase) {
  fillHost();
  setColumns(TableType::kMediaLibrary, {{.name = "artist"}});
  EXPECT_EQ(rows("SELECT * FROM MediaLibrary"), "X;Y;");
  EXPECT_EQ(rows("SELECT name, type, hidden FROM pragma_table_xinfo('MediaLibrary')"),
            "metadb_handle,\"Handle (Integer)\",1;artist,Tag (Text),0;");
  EXPECT_EQ(rows("SELECT MetaDb_Handle FROM MediaLibrary"), "0;1;");
  auto& handles = library_tables::HandleTable::instance();
  ASSERT_EQ(handles.size(), 2u);
  ASSERT_NE(handles.get(1), nullptr);
  EXPECT_EQ(*handles.get(1), host_.library[1]);
}

TEST_F(MetaDbModuleTest, TablesAreReadOnly) {
  fillHost();
  EXPECT_THAT(error("DELETE FROM MediaLibrary"), HasSubstr("may not be modified"));
  EXPECT_THAT(error("INSERT INTO Playlist(playlist_name) VALUES ('x')"), HasSubstr("may not be modified"));
}

class RecordingCallback : public library_tables::OpenCursorCallback {
 public:
  void cursorOpened(const library_tables::SQLiteMetaDBRowSet& rows, TableType type) override {
    opened.push_back(std::to_string(static_cast<int>(type)) + ":" + std::to_string(rows.rowCount()));
  }
  std::vector<std::string> opened;
};

TEST_F(MetaDbModuleTest, OpenCursorCallbacksHearEveryCursorUntilUnregistered) {
  fillHost();
  db::SQLiteDatabase& db = database();
  RecordingCallback first;
  RecordingCallback second;
  EXPECT_EQ(library_tables::registerOpenCursorCallback(&first), 0u);
  EXPECT_EQ(library_tables::registerOpenCursorCallback(&second), 1u);
  rows("SELECT count(*) FROM MediaLibrary, Playlist");
  std::vector<std::string> sorted = first.opened;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"0:2", "1:3"}));
  EXPECT_EQ(second.opened, first.opened);
  library_tables::unregisterOpenCursorCallback(&first);
  rows("SELECT count(*) FROM Playlist");
  EXPECT_EQ(first.opened.size(), 2u);
  EXPECT_EQ(second.opened.size(), 3u);
  library_tables::unregisterOpenCursorCallback(&second);
  (void)db;
}

class ThrowingCallback : public library_tables::OpenCursorCallback {
 public:
  void cursorOpened(const library_tables::SQLiteMetaDBRowSet&, TableType) override {
    throw db::SQLiteException(1, "callback failed");
  }
};

TEST_F(MetaDbModuleTest, FailingCallbackFailsTheStatementNotTheProcess) {
  fillHost();
  database();
  ThrowingCallback callback;
  library_tables::registerOpenCursorCallback(&callback);
  EXPECT_THAT(rows("SELECT count(*) FROM MediaLibrary"), HasSubstr("callback failed"));
  library_tables::unregisterOpenCursorCallback(&callback);
  EXPECT_EQ(rows("SELECT count(*) FROM MediaLibrary"), "2;");
}

TEST_F(MetaDbModuleTest, LaterConnectionsUseTheCachedDeclarationAndKeepTheTableType) {
  fillHost();
  setColumns(TableType::kMediaLibrary, {{.name = "artist"}});
  ASSERT_EQ(error("CREATE VIRTUAL TABLE mine USING MetaDB_Module(playlist, no_multivalue_split)"), "");
  db::setSchemaReady(true);
  auto other = open();
  EXPECT_EQ(rows(*other, "SELECT artist FROM MediaLibrary"), "X;Y;");
  EXPECT_EQ(rows(*other, "SELECT count(*), max(playlist_item) FROM mine"), "3,3;");
}

}  // namespace
}  // namespace library_tables_testing
