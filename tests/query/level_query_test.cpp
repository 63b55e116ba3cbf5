// Tests of level queries: the rewritten texts, value labels, and the
// rewritten statements run against a real table to show they select exactly
// the rows on a path.
#include "query/level_query.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Path = std::vector<std::string>;
using query::nodeStatement;
using query::tracksStatement;

struct RewriteCase {
  const char* name;
  const char* batch;
  const char* query;
  Path path;
  const char* node;    // nodeStatement(batch, query, path)
  const char* tracks;  // tracksStatement(query, path)
};

const RewriteCase kRewriteCases[] = {
    {"PathOfOneLevel", "", "SELECT genre, album FROM MediaLibrary", {"Rock"},
     "SELECT genre,\r\n       album\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) = 'Rock'\r\n",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) = 'Rock'\r\n"},
    {"NullMarkerComparesWithIsNull", "", "SELECT genre FROM MediaLibrary", {"<null>"},
     "SELECT genre\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) IS NULL\r\n",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) IS NULL\r\n"},
    {"TheFourLettersNullAreText", "", "SELECT genre FROM MediaLibrary", {"NULL"},
     "SELECT genre\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) = 'NULL'\r\n",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) = 'NULL'\r\n"},
    {"ApostropheIsDoubled", "", "SELECT artist FROM MediaLibrary", {"Guns 'n' Roses"},
     "SELECT artist\r\nFROM MediaLibrary\r\nWHERE CAST(artist AS TEXT) = 'Guns ''n'' Roses'\r\n",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\nWHERE CAST(artist AS TEXT) = 'Guns ''n'' Roses'\r\n"},
    {"ExistingWhereKeptInParentheses", "", "SELECT genre, album FROM MediaLibrary WHERE a=1 OR b=2", {"Rock", "X"},
     "SELECT genre,\r\n       album\r\nFROM MediaLibrary\r\n"
     "WHERE ((a=1 OR b=2) AND (CAST(genre AS TEXT) = 'Rock')) AND (CAST(album AS TEXT) = 'X')\r\n",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\n"
     "WHERE ((a=1 OR b=2) AND (CAST(genre AS TEXT) = 'Rock')) AND (CAST(album AS TEXT) = 'X')\r\n"},
    {"TwoLevelsWithoutWhere", "", "SELECT genre, album FROM MediaLibrary", {"Rock", "X"},
     "SELECT genre,\r\n       album\r\nFROM MediaLibrary\r\n"
     "WHERE (CAST(genre AS TEXT) = 'Rock') AND (CAST(album AS TEXT) = 'X')\r\n",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\n"
     "WHERE (CAST(genre AS TEXT) = 'Rock') AND (CAST(album AS TEXT) = 'X')\r\n"},
    {"CompoundCoresUseTheirOwnColumns", "",
     "SELECT genre, album FROM MediaLibrary UNION SELECT upper(style) s, title FROM Playlist WHERE x",
     {"Rock"},
     "SELECT genre,\r\n       album\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) = 'Rock'\r\nUNION\r\n"
     "SELECT upper(style) s,\r\n       title\r\nFROM Playlist\r\nWHERE (x) AND (CAST(upper(style) AS TEXT) = 'Rock')\r\n",
     "SELECT MetaDb_Handle,\r\n       genre,\r\n       album\r\nFROM MediaLibrary\r\n"
     "WHERE CAST(genre AS TEXT) = 'Rock'\r\nUNION\r\n"
     "SELECT MetaDb_Handle,\r\n       upper(style) s,\r\n       title\r\nFROM Playlist\r\n"
     "WHERE (x) AND (CAST(upper(style) AS TEXT) = 'Rock')\r\n"},
    {"BatchJoined", "DROP VIEW IF EXISTS v; CREATE VIEW v AS SELECT genre FROM MediaLibrary",
     "SELECT genre FROM v", {"Rock"},
     "DROP VIEW IF EXISTS v; CREATE VIEW v AS SELECT genre FROM MediaLibrary;\r\n"
     "SELECT genre\r\nFROM v\r\nWHERE CAST(genre AS TEXT) = 'Rock'\r\n",
     "SELECT MetaDb_Handle\r\nFROM v\r\nWHERE CAST(genre AS TEXT) = 'Rock'\r\n"},
    {"DistinctKeptGroupByDropped", "", "SELECT DISTINCT artist FROM MediaLibrary GROUP BY artist", {"X"},
     "SELECT DISTINCT artist\r\nFROM MediaLibrary\r\nWHERE CAST(artist AS TEXT) = 'X'\r\nGROUP BY artist\r\n",
     "SELECT DISTINCT MetaDb_Handle\r\nFROM MediaLibrary\r\nWHERE CAST(artist AS TEXT) = 'X'\r\n"},
    {"HavingAndOrderByAnAggregateDroppedLimitKept", "",
     "SELECT genre, count(*) FROM MediaLibrary GROUP BY genre HAVING count(*) > 1 ORDER BY 2 LIMIT 5",
     {"Rock"},
     "SELECT genre,\r\n       count(*)\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) = 'Rock'\r\n"
     "GROUP BY genre HAVING count(*) > 1\r\nORDER BY 2\r\nLIMIT 5",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\nWHERE CAST(genre AS TEXT) = 'Rock'\r\nLIMIT 5"},
    {"EmptyPathKeepsQueryAsWritten", "CREATE TEMP TABLE x(a)", "select genre  from MediaLibrary", {},
     "CREATE TEMP TABLE x(a);\r\nselect genre  from MediaLibrary",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\n"},
    {"NoSelectKeepsQueryAsWritten", "", "PRAGMA table_info(t)", {"a"}, "PRAGMA table_info(t)", ""},
    {"OrderByAloneIsNoSelect", "", "VALUES(1) ORDER BY 1", {"a"}, "VALUES(1) ORDER BY 1", ""},
    {"EmptyQueryGivesTheBatch", "DELETE FROM x", "", {"a"}, "DELETE FROM x", ""},
    {"PathLongerThanColumns", "", "SELECT genre FROM MediaLibrary", {"Rock", "X"},
     "SELECT genre\r\nFROM MediaLibrary\r\nWHERE (CAST(genre AS TEXT) = 'Rock') AND (CAST( AS TEXT) = 'X')\r\n",
     "SELECT MetaDb_Handle\r\nFROM MediaLibrary\r\nWHERE (CAST(genre AS TEXT) = 'Rock') AND (CAST( AS TEXT) = 'X')\r\n"},
};

class RewriteTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteTest, NodeAndTracksStatements) {
  const RewriteCase& c = GetParam();
  EXPECT_EQ(nodeStatement(c.batch, c.query, c.path), c.node);
  EXPECT_EQ(tracksStatement(c.query, c.path), c.tracks);
}

INSTANTIATE_TEST_SUITE_P(Queries, RewriteTest, ::testing::ValuesIn(kRewriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The ORDER BY line of the tracks statement: the select list is replaced, so
// terms that name result columns are written out; the handle column (by
// position in a compound) comes last, so that ties keep the table's order.
struct OrderCase {
  const char* name;
  const char* query;
  const char* order;  // the tracks statement's ORDER BY line, "" for none
};

const OrderCase kOrderCases[] = {
    {"PositionsBecomeExpressions", "SELECT artist, album FROM MediaLibrary ORDER BY 1,2",
     "ORDER BY artist,album,MetaDb_Handle"},
    {"SortWordsAndCollationStay", "SELECT a, upper(b) u FROM t ORDER BY 2 DESC, 1 COLLATE NaturalNoCase ASC",
     "ORDER BY upper(b) DESC, a COLLATE NaturalNoCase ASC, MetaDb_Handle"},
    {"NullsPlacementStays", "SELECT a FROM t ORDER BY 1 NULLS LAST", "ORDER BY a NULLS LAST,MetaDb_Handle"},
    {"AliasBecomesItsExpression", "SELECT lower(artist) AS who, album FROM t ORDER BY WHO desc, album",
     "ORDER BY lower(artist) desc, album, MetaDb_Handle"},
    {"QuotedAliasMatches", "SELECT a||b \"A b\" FROM t ORDER BY [A b]", "ORDER BY a||b,MetaDb_Handle"},
    {"NumberInsideAnExpressionIsNoPosition", "SELECT a, b FROM t ORDER BY 2 + a, 1 || b",
     "ORDER BY 2 + a, 1 || b, MetaDb_Handle"},
    {"OutOfRangePositionStaysForSqliteToReport", "SELECT a FROM t ORDER BY 2", "ORDER BY 2,MetaDb_Handle"},
    {"AggregateTermsAreDropped",
     "SELECT g, count(*) n, max(y) FROM t GROUP BY g ORDER BY n DESC, 3, COUNT (x), json_group_array(y), g",
     "ORDER BY g,MetaDb_Handle"},
    {"ScalarMinMaxAndQuotedNamesStay", "SELECT a FROM t ORDER BY max(a, b), 'count(', [sum(x)], x.count(1)",
     "ORDER BY max(a, b), 'count(', [sum(x)], x.count(1), MetaDb_Handle"},
    {"EverythingDroppedLeavesNoOrderBy", "SELECT g, sum(x) FROM t GROUP BY g ORDER BY 2", ""},
    {"CompoundPositionsMoveBehindTheHandle",
     "SELECT a, b FROM t UNION SELECT c, d FROM u ORDER BY 2 DESC, b, 1", "ORDER BY 3 DESC, b, 2, 1"},
    {"NoOrderByGetsNone", "SELECT DISTINCT a FROM t", ""},
};

class TracksOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(TracksOrderTest, OrderByLine) {
  const OrderCase& c = GetParam();
  const std::string tracks = tracksStatement(c.query, {});
  const std::size_t at = tracks.find("ORDER BY");
  const std::string line = at == std::string::npos ? "" : tracks.substr(at, tracks.find("\r\n", at) - at);
  EXPECT_EQ(line, c.order) << tracks;
}

INSTANTIATE_TEST_SUITE_P(Queries, TracksOrderTest, ::testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValueTextTest, RendersEachType) {
  struct Case {
    db::SQLiteColumn value;
    const char* text;
  };
  db::SQLiteColumn null_text(db::kTagText, "n");  // a text column still null
  db::SQLiteColumn blob(db::kTagNull, "x");
  blob.assignBlob("ab", 2);  // a label shows a blob's bytes, as CAST(x AS TEXT) does
  const Case cases[] = {
      {{"i", int64_t{3}}, "3"},
      {{"i", std::numeric_limits<int64_t>::min()}, "-9223372036854775808"},
      {{"r", 2.5}, "2.5"},
      {{"r", 3.0}, "3.0"},
      {{"r", -0.125}, "-0.125"},
      {{"r", 1e20}, "1.0e+20"},
      {{"r", 1.0 / 3.0}, "0.333333333333333"},
      {{"t", "Guns 'n' Roses"}, "Guns 'n' Roses"},
      {{"t", "NULL"}, "NULL"},
      {{"t", ""}, ""},
      {{"b", uint8_t{'A'}}, "A"},
      {{"b", true}, "<true>"},
      {{"b", false}, "<false>"},
      {{"i", int32_t{-7}}, "-7"},
      {db::SQLiteColumn(db::kTagNull, "n"), "<null>"},
      {null_text, "<null>"},
      {blob, "ab"},
  };
  std::string reused = "a long text that the next label replaces entirely";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(query::valueText(c.value), c.text);
    query::valueText(c.value, reused);
    EXPECT_EQ(reused, c.text);
  }
}

// ---------------------------------------------------------------------------
// Against SQLite.

using Row = std::vector<std::string>;  // labels of one row

class LevelQueryDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    exec("CREATE TABLE MediaLibrary(metadb_handle INTEGER, genre TEXT, artist TEXT, album TEXT,"
         " rating REAL, year INTEGER);"
         "INSERT INTO MediaLibrary VALUES"
         " (0, 'Rock', 'Guns ''n'' Roses', 'Appetite', 2.5, 1987),"
         " (1, 'Rock', 'Guns ''n'' Roses', 'Lies', 3.0, 1988),"
         " (2, 'Rock', 'Queen', NULL, 3, 1975),"
         " (3, NULL, 'Queen', 'Innuendo', 2.5, NULL),"
         " (4, 'NULL', 'NULL', 'NULL', NULL, 1999),"
         " (5, 'Jazz', NULL, 'Kind of Blue', 0.1, 1959),"
         " (6, 'Jazz', 'Miles', 'Kind of Blue', 1e20, 1959),"
         " (7, 'rock', 'Queen', 'Jazz', 3.0, 1978);");
  }
  void TearDown() override { sqlite3_close(db_); }

  void exec(const std::string& sql) {
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error << "\n" << sql;
  }

  // Runs every statement of `sql` and returns the labels of the last one's
  // rows, read the way a query run reads them.
  std::vector<Row> labels(const std::string& sql) {
    std::vector<Row> rows;
    const char* tail = sql.c_str();
    while (*tail != '\0') {
      sqlite3_stmt* stmt = nullptr;
      const char* next = nullptr;
      const int rc = sqlite3_prepare_v2(db_, tail, -1, &stmt, &next);
      EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db_) << "\n" << sql;
      if (rc != SQLITE_OK) return rows;
      tail = next;
      if (stmt == nullptr) continue;
      rows.clear();
      db::SQLiteColumn column(db::kTagNull, "");
      while (sqlite3_step(stmt) == SQLITE_ROW) {
        Row& row = rows.emplace_back();
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
          switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER: column.assignInt64(sqlite3_column_int64(stmt, i)); break;
            case SQLITE_FLOAT: column.assignDouble(sqlite3_column_double(stmt, i)); break;
            case SQLITE_NULL: column.assignNull(); break;
            default:
              column.assignText(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
          }
          query::valueText(column, row.emplace_back());
        }
      }
      sqlite3_finalize(stmt);
    }
    return rows;
  }

  sqlite3* db_ = nullptr;
};

TEST_F(LevelQueryDbTest, RealLabelsMatchSqliteCast) {
  for (const double value : {2.5, 3.0, 0.1, 1.0 / 3.0, -0.0, 1e20, 1e-7, 123456789012345678.0, 0.1 + 0.2}) {
    SCOPED_TRACE(value);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db_, "SELECT CAST(?1 AS TEXT)", -1, &stmt, nullptr), SQLITE_OK);
    sqlite3_bind_double(stmt, 1, value);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(query::valueText(db::SQLiteColumn("r", value)),
              reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
  }
}

// For every node of every query's tree (every distinct prefix of a row's
// labels), the node statement returns exactly the rows on the node's path and
// the tracks statement exactly the handles of the table rows below it. The
// reference query is the query with the handle put first.
TEST_F(LevelQueryDbTest, RewrittenStatementsSelectExactlyThePath) {
  struct Case {
    const char* query;
    const char* reference;
  };
  const Case cases[] = {
      {"SELECT genre, artist, album FROM MediaLibrary",
       "SELECT metadb_handle, genre, artist, album FROM MediaLibrary"},
      {"SELECT rating r, year FROM MediaLibrary WHERE year > 1980 OR year IS NULL",
       "SELECT metadb_handle, rating, year FROM MediaLibrary WHERE year > 1980 OR year IS NULL"},
      {"SELECT DISTINCT upper(genre) AS g, artist FROM MediaLibrary GROUP BY genre, artist ORDER BY 1",
       "SELECT metadb_handle, upper(genre), artist FROM MediaLibrary"},
      {"SELECT genre, album FROM MediaLibrary WHERE year < 1980 "
       "UNION ALL SELECT artist, album FROM MediaLibrary WHERE year >= 1980",
       "SELECT metadb_handle, genre, album FROM MediaLibrary WHERE year < 1980 "
       "UNION ALL SELECT metadb_handle, artist, album FROM MediaLibrary WHERE year >= 1980"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    const std::vector<Row> reference = labels(c.reference);
    ASSERT_FALSE(reference.empty());
    const std::size_t levels = reference[0].size() - 1;
    std::map<Path, std::set<std::string>> handles_below;  // node path -> handles
    for (const Row& row : reference) {
      for (std::size_t depth = 1; depth <= levels; ++depth) {
        handles_below[Path(row.begin() + 1, row.begin() + 1 + static_cast<std::ptrdiff_t>(depth))].insert(row[0]);
      }
    }
    for (const auto& [path, expected] : handles_below) {
      SCOPED_TRACE(::testing::PrintToString(path));
      const std::vector<Row> node_rows = labels(nodeStatement("", c.query, path));
      EXPECT_FALSE(node_rows.empty());
      for (const Row& row : node_rows) EXPECT_TRUE(std::equal(path.begin(), path.end(), row.begin()));

      std::set<std::string> tracks;
      for (const Row& row : labels(tracksStatement(c.query, path))) tracks.insert(row.at(0));
      EXPECT_EQ(tracks, expected);
    }
  }
}

// The tracks come out in the order of the query's rows, whatever way its
// ORDER BY names the columns.
TEST_F(LevelQueryDbTest, TracksFollowTheQuerysOrder) {
  struct Case {
    const char* query;
    Path path;
    std::vector<std::string> handles;
  };
  const Case cases[] = {
      {"SELECT artist, album FROM MediaLibrary WHERE artist IS NOT NULL ORDER BY 1,2",
       {},
       {"0", "1", "6", "4", "2", "3", "7"}},
      {"SELECT artist, album FROM MediaLibrary WHERE artist IS NOT NULL ORDER BY 2 DESC, 1",
       {},
       {"4", "1", "6", "7", "3", "0", "2"}},
      {"SELECT rating, ifnull(album, 'zz') AS name FROM MediaLibrary ORDER BY name, 1 DESC",
       {},
       {"0", "3", "7", "6", "5", "1", "4", "2"}},
      {"SELECT genre, album, year y FROM MediaLibrary ORDER BY 1, y DESC", {"Rock"}, {"1", "0", "2"}},
      {"SELECT genre g, count(*) FROM MediaLibrary GROUP BY genre ORDER BY 2 DESC, g", {"Jazz"}, {"5", "6"}},
      {"SELECT artist, album FROM MediaLibrary WHERE year < 1980 "
       "UNION ALL SELECT artist, album FROM MediaLibrary WHERE year >= 1980 ORDER BY 2 DESC, 1",
       {},
       {"4", "1", "5", "6", "7", "0", "2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    std::vector<std::string> handles;
    for (const Row& row : labels(tracksStatement(c.query, c.path))) handles.push_back(row.at(0));
    EXPECT_EQ(handles, c.handles);
  }
}

// Rows that the query's terms leave tied come in the table's order (the
// handle column stands for it here), also through a view that sorts its rows
// otherwise, in a compound, with DISTINCT, and without any ORDER BY.
TEST_F(LevelQueryDbTest, TiesComeInTheTablesOrder) {
  exec("CREATE VIEW v AS SELECT genre, artist, metadb_handle FROM MediaLibrary");
  // A view that hands its rows on in an order of its own (newest first).
  exec("CREATE VIEW newest AS SELECT * FROM (SELECT genre, metadb_handle FROM MediaLibrary "
       "ORDER BY metadb_handle DESC LIMIT -1)");
  struct Case {
    const char* query;
    Path path;
    std::vector<std::string> handles;
  };
  const Case cases[] = {
      {"SELECT genre, artist FROM MediaLibrary ORDER BY genre", {"Rock"}, {"0", "1", "2"}},
      {"SELECT genre, artist FROM MediaLibrary ORDER BY genre DESC", {}, {"7", "0", "1", "2", "4", "5", "6", "3"}},
      {"SELECT genre FROM v ORDER BY genre", {"Rock"}, {"0", "1", "2"}},
      {"SELECT genre FROM newest ORDER BY genre", {"Rock"}, {"0", "1", "2"}},
      {"SELECT DISTINCT genre FROM MediaLibrary ORDER BY 1", {"Jazz"}, {"5", "6"}},
      {"SELECT genre FROM MediaLibrary WHERE year < 1980 "
       "UNION ALL SELECT genre FROM MediaLibrary WHERE year >= 1980 ORDER BY 1",
       {"Rock"},
       {"0", "1", "2"}},
      {"SELECT genre FROM MediaLibrary", {"Rock"}, {"0", "1", "2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    std::vector<std::string> handles;
    for (const Row& row : labels(tracksStatement(c.query, c.path))) handles.push_back(row.at(0));
    EXPECT_EQ(handles, c.handles);
  }
}

TEST_F(LevelQueryDbTest, BatchRunsBeforeTheRewrittenQuery) {
  const Path path{"Queen"};
  const std::vector<Row> rows =
      labels(nodeStatement("DROP VIEW IF EXISTS v; CREATE TEMP VIEW v AS SELECT artist, album FROM MediaLibrary",
                           "SELECT artist, album FROM v ORDER BY album", path));
  const std::vector<Row> expected{{"Queen", "<null>"}, {"Queen", "Innuendo"}, {"Queen", "Jazz"}};
  EXPECT_EQ(rows, expected);
}

}  // namespace
