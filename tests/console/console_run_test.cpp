#include "console/console_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include <sqlite3.h>

#include "console/result_formats.h"
#include "db/database.h"
#include "db/property.h"
#include "support/fake_host.h"

namespace {

using console::RunResult;
using std::chrono::microseconds;

class RecordingSink : public console::ResultSink {
 public:
  void beginResult(const std::vector<std::string>& c) override {
    columns = c;
    rows.clear();
    ++results;
  }
  void addRow(uint64_t number, const db::SQLiteColumns&, const std::vector<std::string>& cells) override {
    EXPECT_EQ(number, rows.size() + 1);
    rows.push_back(cells);
  }
  void clearResult() override {
    columns.clear();
    rows.clear();
    cleared = true;
  }
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  int results = 0;
  bool cleared = false;
};

class ConsoleRunTest : public ::testing::Test {
 protected:
  console::RunOutcome run(const std::string& script) { return runner.run(script, sink); }

  testing_support::TempDir dir;
  testing_support::FakeHost host{dir.path()};
  db::SQLiteDatabase database{host};
  console::ConsoleRun runner{database};
  RecordingSink sink;
};

TEST_F(ConsoleRunTest, OnlyTheLastStatementIsShown) {
  const auto outcome = run("CREATE TABLE t(a); INSERT INTO t VALUES(1.5); SELECT a, NULL AS n FROM t");
  EXPECT_EQ(outcome.result, RunResult::kSuccess);
  EXPECT_EQ(sink.results, 1);
  EXPECT_EQ(sink.columns, (std::vector<std::string>{"a", "n"}));
  ASSERT_EQ(sink.rows.size(), 1u);
  EXPECT_EQ(sink.rows[0], (std::vector<std::string>{"1.5", "<null>"}));
  EXPECT_TRUE(outcome.status.starts_with("Execution time: 0:00.")) << outcome.status;
  EXPECT_TRUE(outcome.status.ends_with(" // 1 row retrieved")) << outcome.status;
}

TEST_F(ConsoleRunTest, StatementsWithoutRowsShowNoRowsAndNoCount) {
  run("CREATE TABLE t(a)");
  auto outcome = run("INSERT INTO t VALUES(1)");
  EXPECT_TRUE(sink.columns.empty()) << "an INSERT has no result columns: the No rows state";
  outcome = run("SELECT a FROM t WHERE a > 5");
  EXPECT_EQ(sink.columns, (std::vector<std::string>{"a"}));
  EXPECT_EQ(outcome.status.find(" // "), std::string::npos) << outcome.status;
  outcome = run("SELECT 1 UNION ALL SELECT 2");
  EXPECT_TRUE(outcome.status.ends_with(" // 2 rows retrieved")) << outcome.status;
}

TEST_F(ConsoleRunTest, RowLimitKeepsRowsShownAndReports) {
  host.settings.console_row_limit = 5000;
  const auto outcome =
      run("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x < 6000) SELECT x FROM c");
  EXPECT_EQ(outcome.result, RunResult::kSuccess);
  EXPECT_EQ(sink.rows.size(), 5000u);
  EXPECT_TRUE(outcome.row_limit_exceeded);
  ASSERT_FALSE(host.console.empty());
  EXPECT_EQ(host.console.back(), "[vostrel] Row limit (5000 rows) for the Vostrel console exceeded.");
  EXPECT_TRUE(outcome.status.ends_with(" // 5000 rows retrieved")) << outcome.status;
  runner.setRowLimit(2);
  run("SELECT 1 UNION ALL SELECT 2");
  EXPECT_EQ(host.console.size(), 1u) << "exactly the limit is not exceeded";
}

TEST_F(ConsoleRunTest, ErrorShowsMessageBoxAndClearsResult) {
  const auto outcome = run("SELECT 1; SELEC 2");
  EXPECT_EQ(outcome.result, RunResult::kError);
  EXPECT_EQ(outcome.status, "Execution error");
  EXPECT_TRUE(sink.cleared);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_TRUE(host.boxes[0].starts_with("Execution error:\nSQLite Error: (1) near \"SELEC\"")) << host.boxes[0];
  EXPECT_FALSE(runner.running());
}

struct TrailingCase {
  const char* script;
  std::vector<std::string> columns;  // of the result shown
  std::size_t rows;
};

class ConsoleTrailingTest : public ConsoleRunTest, public testing::WithParamInterface<TrailingCase> {};

TEST_P(ConsoleTrailingTest, BlanksAndCommentsAreNoStatement) {
  const auto outcome = run(GetParam().script);
  EXPECT_EQ(outcome.result, RunResult::kSuccess) << GetParam().script;
  EXPECT_TRUE(host.boxes.empty()) << host.boxes.front();
  EXPECT_EQ(sink.results, 1);
  EXPECT_EQ(sink.columns, GetParam().columns);
  EXPECT_EQ(sink.rows.size(), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Scripts, ConsoleTrailingTest, testing::Values(
    TrailingCase{"SELECT 1 AS a; -- trailing", {"a"}, 1},
    TrailingCase{"SELECT 1 AS a;\n/* one */ -- two\n", {"a"}, 1},
    TrailingCase{"SELECT 1 AS a UNION ALL SELECT 2;;", {"a"}, 2},
    TrailingCase{"SELECT 1 AS a;; SELECT 2 AS b, 3 AS c", {"b", "c"}, 1},
    TrailingCase{"SELECT '--' AS a; --", {"a"}, 1},
    TrailingCase{"", {}, 0},
    TrailingCase{"  \n\t", {}, 0},
    TrailingCase{"-- nothing to run", {}, 0},
    TrailingCase{"/* nothing */ ;", {}, 0}));

TEST_F(ConsoleRunTest, AbortEndsTheRunAsAborted) {
  host.on_pump = [&] {
    if (host.pump_count == 3) runner.abort();
  };
  const auto outcome = run("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c");
  EXPECT_EQ(outcome.result, RunResult::kAborted);
  EXPECT_TRUE(outcome.status.starts_with("Execution time (aborted): ")) << outcome.status;
  EXPECT_TRUE(host.boxes.empty()) << "an abort shows no message box";
}

// A run never hands an open transaction on to the next one: whatever way
// the script ends inside it, it is rolled back and said so once.
TEST_F(ConsoleRunTest, TransactionLeftOpenIsRolledBackAndReported) {
  struct Case {
    const char* script;
    RunResult result;
    bool rolled_back;
    int tables_after;
  };
  const Case cases[] = {
      {"BEGIN; CREATE TABLE t(x); INSERT INTO t VALUES(1); SELECT count(*) FROM t", RunResult::kSuccess, true, 0},
      {"BEGIN; CREATE TABLE t(x); SELEC 1", RunResult::kError, true, 0},
      {"SAVEPOINT s; CREATE TABLE t(x)", RunResult::kSuccess, true, 0},
      {"BEGIN; CREATE TABLE t(x); COMMIT", RunResult::kSuccess, false, 1},
      {"CREATE TABLE t(x)", RunResult::kSuccess, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    run("DROP TABLE IF EXISTS t");
    host.console.clear();
    const auto outcome = run(c.script);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.transaction_rolled_back, c.rolled_back);
    const std::string line = std::string("[vostrel] ") + console::kOpenTransactionRolledBack;
    EXPECT_EQ(std::count(host.console.begin(), host.console.end(), line), c.rolled_back ? 1 : 0);
    run("SELECT count(*) FROM sqlite_master WHERE name = 't'");
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.rows[0][0], std::to_string(c.tables_after));
  }
  EXPECT_NE(sqlite3_get_autocommit(database.handle()), 0) << "no transaction is left open";
}

TEST(ConsoleStatus, ElapsedTimeFormats) {
  struct Case {
    int64_t micros;
    const char* text;
  };
  const Case cases[] = {
      {1234, "0:00.001234"},
      {75'000'001, "1:15.000001"},
      {3'675'500'000, "1:01:15.500000"},
      {86'400'000'000, "1d 0:00:00.000000"},
      {694'861'000'000, "1wk 1d 1:01:01.000000"},
      {1'209'600'000'000, "2wk 0d 0:00:00.000000"},
      {3'599'999'999, "59:59.999999"},
      {3'600'000'000, "1:00:00.000000"},
      {604'799'999'999, "6d 23:59:59.999999"},
  };
  for (const auto& c : cases) EXPECT_EQ(console::formatElapsed(microseconds(c.micros)), c.text);
  EXPECT_EQ(console::statusText(false, microseconds(1234), 3), "Execution time: 0:00.001234 // 3 rows retrieved");
  EXPECT_EQ(console::statusText(true, microseconds(0), 0), "Execution time (aborted): 0:00.000000");
  EXPECT_EQ(console::statusText(true, microseconds(1), 1), "Execution time (aborted): 0:00.000001 // 1 row retrieved");
}

// Runs `script` and returns what the writer printed.
std::string writtenForScript(console::ResultFormat format, const std::string& script) {
  testing_support::TempDir dir;
  testing_support::FakeHost host(dir.path());
  db::SQLiteDatabase database(host);
  console::ConsoleRun runner(database);
  std::ostringstream out;
  auto writer = console::makeResultWriter(format, out);
  runner.run(script, *writer);
  writer->finish();
  return out.str();
}

TEST(ResultFormats, EachFormatWritesValuesAsDocumented) {
  const std::string script = "SELECT 'a\tb\\c' AS \"x,y\", 2 AS n, 2.5 AS r, NULL AS z, 'say \"hi\"\n' AS q";
  EXPECT_EQ(writtenForScript(console::ResultFormat::kTsv, script),
            "x,y\tn\tr\tz\tq\na\\tb\\\\c\t2\t2.5\t<null>\tsay \"hi\"\\n\n");
  EXPECT_EQ(writtenForScript(console::ResultFormat::kCsv, script),
            "\"x,y\",n,r,z,q\r\na\tb\\c,2,2.5,,\"say \"\"hi\"\"\n\"\r\n");
  EXPECT_EQ(writtenForScript(console::ResultFormat::kJson, script),
            "{\"columns\":[\"x,y\",\"n\",\"r\",\"z\",\"q\"],\"rows\":[[\"a\\tb\\\\c\",2,2.5,null,\"say "
            "\\\"hi\\\"\\n\"]]}\n");
  EXPECT_EQ(writtenForScript(console::ResultFormat::kTable, "SELECT 'é' AS name UNION ALL SELECT 'long'"),
            "#  name\n-  ----\n1  é\n2  long\n");
  for (auto format : {console::ResultFormat::kTsv, console::ResultFormat::kCsv, console::ResultFormat::kJson,
                      console::ResultFormat::kTable}) {
    EXPECT_EQ(writtenForScript(format, "CREATE TABLE t(a)"), "") << "a statement without columns prints nothing";
  }
}

struct BlobCase {
  console::ResultFormat format;
  const char* written;
};

class BlobFormatTest : public testing::TestWithParam<BlobCase> {};

TEST_P(BlobFormatTest, BlobsAreNeverWrittenAsRawBytes) {
  EXPECT_EQ(writtenForScript(GetParam().format, "SELECT x'00ff' AS b, x'' AS e, CAST('A' AS BLOB) AS a"), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Formats, BlobFormatTest, testing::Values(
    BlobCase{console::ResultFormat::kTsv, "b\te\ta\nx'00ff'\tx''\tx'41'\n"},
    BlobCase{console::ResultFormat::kCsv, "b,e,a\r\nx'00ff',x'',x'41'\r\n"},
    BlobCase{console::ResultFormat::kJson, "{\"columns\":[\"b\",\"e\",\"a\"],\"rows\":[[\"00ff\",\"\",\"41\"]]}\n"},
    BlobCase{console::ResultFormat::kTable, "#  b        e    a\n-  -------  ---  -----\n1  x'00ff'  x''  x'41'\n"}));

TEST(ResultFormats, NullIsAnEmptyCsvFieldButShownInTheOtherTextFormats) {
  const std::string script = "SELECT NULL AS a, '' AS b";
  EXPECT_EQ(writtenForScript(console::ResultFormat::kCsv, script), "a,b\r\n,\r\n");
  EXPECT_EQ(writtenForScript(console::ResultFormat::kTsv, script), "a\tb\n<null>\t\n");
  EXPECT_EQ(writtenForScript(console::ResultFormat::kTable, script), "#  a       b\n-  ------  -\n1  <null>  \n");
}

struct WidthCase {
  const char* text;
  std::size_t width;
};

class DisplayWidthTest : public testing::TestWithParam<WidthCase> {};

TEST_P(DisplayWidthTest, CountsTerminalColumns) {
  EXPECT_EQ(console::displayWidth(GetParam().text), GetParam().width) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, DisplayWidthTest, testing::Values(
    WidthCase{"", 0},
    WidthCase{"abc", 3},
    WidthCase{"\u00e9", 1},               // precomposed e-acute
    WidthCase{"e\u0301", 1},              // e and a combining acute accent
    WidthCase{"\u6771\u4eac\u30ec\u30a4\u30f3\u30b3\u30fc\u30c8", 16},
    WidthCase{"\uff21", 2},               // fullwidth A
    WidthCase{"a\xff" "b", 3}));            // an invalid byte takes one column

TEST(ResultFormats, TableAlignsWideAndCombiningCharactersByDisplayWidth) {
  const std::string tokyo = "\u6771\u4eac\u30ec\u30a4\u30f3\u30b3\u30fc\u30c8";
  EXPECT_EQ(writtenForScript(console::ResultFormat::kTable,
                    "SELECT '" + tokyo + "' AS t, 1 AS n UNION ALL SELECT 'Cafe\u0301', 2 UNION ALL SELECT 'x', 3"),
            "#  t                 n\n"
            "-  ----------------  -\n"
            "1  " + tokyo + "  1\n"
            "2  Cafe\u0301" + std::string(14, ' ') + "2\n"
            "3  x                 3\n");
}

}  // namespace
