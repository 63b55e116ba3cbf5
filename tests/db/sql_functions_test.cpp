// Tests of the SQL functions and the NaturalNoCase collation through a real
// in-memory SQLite connection.
#include "db/sql_functions.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "db/database.h"
#include "support/fake_host.h"

namespace {

// An in-memory connection with the functions registered.
class Connection {
 public:
  Connection() {
    EXPECT_EQ(sqlite3_open(":memory:", &handle_), SQLITE_OK);
    db::registerSqlFunctions(handle_);
  }
  ~Connection() { sqlite3_close(handle_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* handle() const { return handle_; }

  // The first column of the first row as "type:text" ("null", "text:..",
  // "integer:.."), or "error:<message>" when the statement fails.
  std::string value(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(handle_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      return "error:" + std::string(sqlite3_errmsg(handle_));
    }
    std::string result;
    if (sqlite3_step(stmt) != SQLITE_ROW) {
      result = "error:" + std::string(sqlite3_errmsg(handle_));
    } else {
      switch (sqlite3_column_type(stmt, 0)) {
        case SQLITE_NULL: result = "null"; break;
        case SQLITE_INTEGER: result = "integer:" + std::to_string(sqlite3_column_int64(stmt, 0)); break;
        case SQLITE_TEXT:
          result = "text:" + std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                         static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
          break;
        default: result = "other"; break;
      }
    }
    sqlite3_finalize(stmt);
    return result;
  }

  // Every row's first column as text.
  std::vector<std::string> column(const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(handle_, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(handle_);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    return rows;
  }

 private:
  sqlite3* handle_ = nullptr;
};

struct Case {
  const char* sql;       // expression after SELECT
  const char* expected;  // as Connection::value reports it
};

class SqlFunctionTest : public testing::TestWithParam<Case> {};

TEST_P(SqlFunctionTest, GivesExpectedValue) {
  Connection connection;
  EXPECT_EQ(connection.value(std::string("SELECT ") + GetParam().sql), GetParam().expected);
}

const Case kFormatLength[] = {
    {"format_length(0)", "text:0:00"},
    {"format_length(75)", "text:1:15"},
    {"format_length(3675)", "text:1:01:15"},
    {"format_length(86400)", "text:1d 0:00:00"},
    {"format_length(694861)", "text:1wk 1d 1:01:01"},
    {"format_length(1209600)", "text:2wk 0d 0:00:00"},
    {"format_length(74.5)", "text:1:15"},
    {"format_length(74.49)", "text:1:14"},
    {"format_length(59.5)", "text:1:00"},
    {"format_length(604799)", "text:6d 23:59:59"},
    {"format_length(3599)", "text:59:59"},
    {"format_length(NULL)", "null"},
    {"format_length('75')", "text:1:15"},
    {"format_length('abc')", "text:0:00"},
    {"format_length(x'00')", "text:0:00"},
    // Negative durations keep their sign instead of wrapping around.
    {"format_length(-75)", "text:-1:15"},
    {"format_length(-74.5)", "text:-1:15"},
    {"format_length(-0.4)", "text:0:00"},
    {"format_length(-86400)", "text:-1d 0:00:00"},
    {"format_length(-9223372036854775808)", "text:-15250284452471wk 3d 15:30:08"},
    {"format_length(9223372036854775807)", "text:15250284452471wk 3d 15:30:07"},
    {"format_length(1e300)", "text:30500568904943wk 0d 7:00:15"},
};
INSTANTIATE_TEST_SUITE_P(FormatLength, SqlFunctionTest, testing::ValuesIn(kFormatLength));

const Case kFormatLengthHours[] = {
    {"format_length_hours(75)", "text:01:15"},
    {"format_length_hours(3675)", "text:1:01:15"},
    {"format_length_hours(90000)", "text:25:00:00"},
    {"format_length_hours(0)", "text:00:00"},
    {"format_length_hours(3599.5)", "text:1:00:00"},
    {"format_length_hours(694861)", "text:193:01:01"},
    {"format_length_hours(-3675)", "text:-1:01:15"},
    {"format_length_hours(NULL)", "null"},
};
INSTANTIATE_TEST_SUITE_P(FormatLengthHours, SqlFunctionTest, testing::ValuesIn(kFormatLengthHours));

const Case kPad[] = {
    {"padl('7', 3)", "text:  7"},
    {"padl('7', 3, '0')", "text:007"},
    {"padr('ab', 5, 'xy')", "text:abxy"},
    {"padl('abc', 2)", "text:abc"},
    {"padr('ab', 3, 'xyz')", "text:ab"},
    {"padl('x', 4, 'ab')", "text:abx"},
    {"padr('é', 3, '.')", "text:é.."},
    {"padl('é', 3, 'ü')", "text:üüé"},
    {"padr('ab', 6, 'xy')", "text:abxyxy"},
    {"padl('abc', 3)", "text:abc"},
    {"padl('abc', 0)", "text:abc"},
    {"padl('abc', -5)", "text:abc"},
    {"padl('', 2)", "text:  "},
    {"padl(7, 3, 0)", "text:007"},  // numbers are read as text, the result is text
    {"padl(7, 1)", "text:7"},
    {"padl('x', NULL)", "null"},
    {"padl(NULL, 3)", "null"},
    {"padr('x', 3, NULL)", "null"},
    {"padl('x', 'abc')", "text:x"},  // a length that is not a number reads as 0
    // An empty pad leaves the text unchanged.
    {"padl('x', 5, '')", "text:x"},
    {"padr('x', 5, '')", "text:x"},
    // Each invalid UTF-8 byte counts as one character.
    {"hex(padl(x'ff', 3, '.'))", "text:2E2EFF"},
    {"hex(padr('a', 4, x'c3'))", "text:61C3C3C3"},
    {"length(padl('x', 1000, 'ab'))", "integer:999"},
    {"substr(padr('x', 1000, 'ab'), -4)", "text:abab"},
};
INSTANTIATE_TEST_SUITE_P(Pad, SqlFunctionTest, testing::ValuesIn(kPad));

const Case kStrpos[] = {
    {"strpos('abcabc', 'ca')", "integer:3"},
    {"strpos('äbc', 'c')", "integer:3"},
    {"strpos('abc', 'x')", "integer:0"},
    {"strpos('abc', '')", "integer:1"},
    {"strpos('', '')", "integer:1"},
    {"strpos('', 'a')", "integer:0"},
    {"strpos('ab', 'abc')", "integer:0"},
    {"strpos('abc', 'abc')", "integer:1"},
    {"strpos('abc', 'c')", "integer:3"},
    {"strpos('aäb', 'ä')", "integer:2"},
    {"strpos('ééé', 'é')", "integer:1"},
    {"strpos(12345, 34)", "integer:3"},
    {"strpos(NULL, 'a')", "null"},
    {"strpos('a', NULL)", "null"},
    // Matches only at the start of a character: the tail byte A9 of 'é'
    // does not start one.
    {"strpos('é', x'a9')", "integer:0"},
    {"strpos(x'ff41', 'A')", "integer:2"},
};
INSTANTIATE_TEST_SUITE_P(Strpos, SqlFunctionTest, testing::ValuesIn(kStrpos));

const Case kCollation[] = {
    {"'a' = 'A' COLLATE NaturalNoCase", "integer:1"},
    {"'Ä' = 'ä' COLLATE NaturalNoCase", "integer:1"},
    {"'Disc 9' < 'disc 10' COLLATE NaturalNoCase", "integer:1"},
    {"'disc 10' < 'Disc 11' COLLATE NaturalNoCase", "integer:1"},
    {"'file2' < 'File10' COLLATE NaturalNoCase", "integer:1"},
    {"'' < 'a' COLLATE NaturalNoCase", "integer:1"},
};
INSTANTIATE_TEST_SUITE_P(Collation, SqlFunctionTest, testing::ValuesIn(kCollation));

TEST(SqlFunctions, PadResultLongerThanLengthLimitIsTooBig) {
  Connection connection;
  sqlite3_limit(connection.handle(), SQLITE_LIMIT_LENGTH, 100);
  EXPECT_EQ(connection.value("SELECT padl('x', 101)"), "error:string or blob too big");
  EXPECT_EQ(connection.value("SELECT padl('x', 100)").size(), std::string("text:").size() + 100);
  EXPECT_EQ(connection.value("SELECT padr('x', 2000000000, 'abc')"), "error:string or blob too big");
}

TEST(SqlFunctions, HugePadLengthWithinDefaultLimitFailsCleanly) {
  Connection connection;
  // 2^31 - 1 characters exceed the default length limit of 10^9 bytes.
  EXPECT_EQ(connection.value("SELECT padl('x', 2147483647)"), "error:string or blob too big");
}

TEST(SqlFunctions, OrderByNaturalNoCase) {
  Connection connection;
  ASSERT_EQ(sqlite3_exec(connection.handle(),
                         "CREATE TABLE t(name TEXT);"
                         "INSERT INTO t VALUES ('Disc 11'),('track 2'),('disc 10'),('Track 10'),('Disc 9'),"
                         "('Émile'),('emma'),('Ezra'),('track 02');",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  const std::vector<std::string> expected = {"Disc 9", "disc 10", "Disc 11", "Émile", "emma",
                                             "Ezra",   "track 2", "track 02", "Track 10"};
  EXPECT_EQ(connection.column("SELECT name FROM t ORDER BY name COLLATE NaturalNoCase"), expected);
  // An index built with the collation serves the same order.
  ASSERT_EQ(sqlite3_exec(connection.handle(), "CREATE INDEX t_name ON t(name COLLATE NaturalNoCase)", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(connection.column("SELECT name FROM t INDEXED BY t_name ORDER BY name COLLATE NaturalNoCase"), expected);
}

TEST(SqlFunctions, RegisteredOnEveryDatabaseConnection) {
  testing_support::TempDir dir;
  testing_support::FakeHost host(dir.path());
  db::SQLiteDatabase database(host);
  ASSERT_TRUE(database.Open());
  EXPECT_TRUE(database.HasRows("SELECT 1 WHERE format_length(75) = '1:15' AND padl('7', 3, '0') = '007' "
                               "AND padr('ab', 5, 'xy') = 'abxy' AND strpos('abcabc', 'ca') = 3 "
                               "AND format_length_hours(90000) = '25:00:00' "
                               "AND 'Disc 9' < 'disc 10' COLLATE NaturalNoCase"));
}

}  // namespace
