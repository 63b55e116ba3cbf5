// The writers stream: json writes the same document as one built from the
// whole result, a table sizes its columns from its first block and cuts
// what comes later, and an error leaves the rows before it in every format.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "console/console_run.h"
#include "console/result_formats.h"
#include "db/database.h"
#include "db/property.h"
#include "support/fake_host.h"

namespace {

using console::ResultFormat;

// The json document as it was made before the writer streamed: the whole
// result in nlohmann's tree, dumped once at the end.
class WholeJsonDocument : public console::ResultSink {
 public:
  void beginResult(const std::vector<std::string>& columns) override {
    columns_ = columns;
    rows_ = nlohmann::json::array();
  }
  void addRow(uint64_t, const db::SQLiteColumns& values, const std::vector<std::string>&) override {
    nlohmann::json row = nlohmann::json::array();
    for (const db::SQLiteColumn& value : values) {
      switch (value.type()) {
        case db::kTagInt64: row.push_back(value.int64Value()); break;
        case db::kTagDouble: row.push_back(value.doubleValue()); break;
        case db::kTagNull: row.push_back(nullptr); break;
        case db::kTagBlob: row.push_back(db::hexDigits(value.text())); break;
        default: row.push_back(value.text());
      }
    }
    rows_.push_back(std::move(row));
  }
  void clearResult() override { columns_.clear(); }
  std::string text() const {
    if (columns_.empty()) return "";
    const nlohmann::json document = {{"columns", columns_}, {"rows", rows_}};
    return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  }

 private:
  std::vector<std::string> columns_;
  nlohmann::json rows_ = nlohmann::json::array();
};

// Hands every call to two sinks.
class TeeSink : public console::ResultSink {
 public:
  TeeSink(console::ResultSink& a, console::ResultSink& b) : a_(a), b_(b) {}
  void beginResult(const std::vector<std::string>& columns) override {
    a_.beginResult(columns);
    b_.beginResult(columns);
  }
  void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override {
    a_.addRow(number, values, cells);
    b_.addRow(number, values, cells);
  }
  void clearResult() override {
    a_.clearResult();
    b_.clearResult();
  }

 private:
  console::ResultSink& a_;
  console::ResultSink& b_;
};

// A console run on a fresh profile.
class RunTest : public testing::Test {
 protected:
  testing_support::TempDir dir;
  testing_support::FakeHost host{dir.path()};
  db::SQLiteDatabase database{host};
  console::ConsoleRun runner{database};
};

template <typename Case>
class RunCaseTest : public RunTest, public testing::WithParamInterface<Case> {};

struct JsonCase {
  const char* name;
  const char* script;
};

void PrintTo(const JsonCase& c, std::ostream* out) { *out << c.name; }

const JsonCase kJsonCases[] = {
    {"NoRows", "SELECT 1 AS a, 'b' AS b WHERE 0"},
    {"OneRow", "SELECT 1 AS a"},
    {"NullsAndBlobs", "SELECT NULL AS n, x'00ff' AS b, x'' AS e, CAST('A' AS BLOB) AS a"},
    {"Integers", "SELECT 0, -1, 9223372036854775807, -9223372036854775807 - 1"},
    {"Reals", "SELECT 2.5, 1.0, 100.0, 0.1, -0.0, 1e20, 1.5e-7, 1e300, 3.141592653589793, 1e999, -1e999"},
    {"TextEscapes", "SELECT 'say \"hi\"' AS \"q\"\"\", 'back\\slash/' AS s, char(8, 9, 10, 12, 13, 1, 31, 127) AS c"},
    {"Unicode", "SELECT '\u00e9\u6771\u4eac' AS u, 'e\u0301' AS m, '\U0001F3B5' AS note"},
    {"InvalidUtf8", "SELECT CAST(x'61ff62c3' AS TEXT) AS bad, CAST(x'ff' AS TEXT) AS \"x\""},
    {"ManyMixedRows",
     "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT 3000) "
     "SELECT x, x / 7.0, CASE WHEN x % 3 = 0 THEN NULL ELSE 'v' || x END, zeroblob(x % 3) FROM c"},
    {"NoColumns", "CREATE TABLE t(a)"},
    {"EmptyScript", "-- nothing"},
    {"ErrorInAnEarlierStatement", "SELECT nosuchcolumn; SELECT 1"},
};

using JsonStreamTest = RunCaseTest<JsonCase>;

TEST_P(JsonStreamTest, WritesTheDocumentOfTheWholeResult) {
  std::ostringstream out;
  auto writer = console::makeResultWriter(ResultFormat::kJson, out);
  WholeJsonDocument whole;
  TeeSink both(*writer, whole);
  runner.run(GetParam().script, both);
  writer->finish();
  EXPECT_EQ(out.str(), whole.text());
  if (!out.str().empty()) {
    EXPECT_TRUE(nlohmann::json::accept(out.str())) << out.str();
  }
}

INSTANTIATE_TEST_SUITE_P(Results, JsonStreamTest, testing::ValuesIn(kJsonCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, AnInterruptedJsonRunStillEndsItsDocument) {
  std::ostringstream out;
  auto writer = console::makeResultWriter(ResultFormat::kJson, out);
  struct StopAtTwo : TeeSink {
    using TeeSink::TeeSink;
    void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override {
      TeeSink::addRow(number, values, cells);
      if (number == 2) stop->abort();
    }
    console::ConsoleRun* stop = nullptr;
  };
  WholeJsonDocument whole;
  StopAtTwo sink(*writer, whole);
  sink.stop = &runner;
  const auto outcome =
      runner.run("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c", sink);
  writer->finish();
  EXPECT_EQ(outcome.result, console::RunResult::kAborted);
  EXPECT_EQ(out.str(), "{\"columns\":[\"x\"],\"rows\":[[1],[2]]}\n");
}

// An error on the third row of the last statement, after two rows.
const char* const kFailsOnRowThree =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT 5) "
    "SELECT x, CASE WHEN x = 3 THEN abs(-9223372036854775807 - 1) ELSE 'v' || x END AS y FROM c";
const char* const kFailsOnRowOne = "SELECT abs(-9223372036854775807 - 1) AS y";

struct ErrorCase {
  const char* name;
  ResultFormat format;
  const char* script;
  const char* written;
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.name; }

const ErrorCase kErrorCases[] = {
    {"TsvKeepsTheRows", ResultFormat::kTsv, kFailsOnRowThree, "x\ty\n1\tv1\n2\tv2\n"},
    {"CsvKeepsTheRows", ResultFormat::kCsv, kFailsOnRowThree, "x,y\r\n1,v1\r\n2,v2\r\n"},
    {"JsonKeepsTheRowsUnfinished", ResultFormat::kJson, kFailsOnRowThree,
     "{\"columns\":[\"x\",\"y\"],\"rows\":[[1,\"v1\"],[2,\"v2\"]"},
    {"TableShowsTheRows", ResultFormat::kTable, kFailsOnRowThree, "#  x  y\n-  -  --\n1  1  v1\n2  2  v2\n"},
    {"TsvBeforeAnyRow", ResultFormat::kTsv, kFailsOnRowOne, "y\n"},
    {"JsonBeforeAnyRow", ResultFormat::kJson, kFailsOnRowOne, "{\"columns\":[\"y\"],\"rows\":["},
    {"TableBeforeAnyRow", ResultFormat::kTable, kFailsOnRowOne, "#  y\n-  -\n"},
    {"JsonBeforeTheLastStatement", ResultFormat::kJson, "SELECT nosuchcolumn; SELECT 1", ""},
    {"TableBeforeTheLastStatement", ResultFormat::kTable, "SELECT nosuchcolumn; SELECT 1", ""},
};

using ErrorAfterRowsTest = RunCaseTest<ErrorCase>;

TEST_P(ErrorAfterRowsTest, LeavesWhatCameBeforeTheError) {
  std::ostringstream out;
  auto writer = console::makeResultWriter(GetParam().format, out);
  const auto outcome = runner.run(GetParam().script, *writer);
  writer->finish();
  EXPECT_EQ(outcome.result, console::RunResult::kError);
  EXPECT_EQ(out.str(), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Formats, ErrorAfterRowsTest, testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, AnErrorPastTheFirstBlockKeepsTheTablesRowsAndAddsNothing) {
  std::ostringstream out;
  auto writer = console::makeResultWriter(ResultFormat::kTable, out);
  const std::string fail_at = std::to_string(console::kTableSizingRows + 3);
  const std::string script = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                             "SELECT x, CASE WHEN x = " + fail_at +
                             " THEN abs(-9223372036854775807 - 1) ELSE 'v' END AS y FROM c";
  runner.run(script, *writer);
  writer->finish();
  const std::string text = out.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), console::kTableSizingRows + 4);  // header, rule, rows
  EXPECT_TRUE(text.ends_with("\n" + std::to_string(console::kTableSizingRows + 2) + "  " +
                             std::to_string(console::kTableSizingRows + 2) + "  v\n"))
      << text.substr(text.size() - 100);
}

// Text values as the console run hands them to a writer.
db::SQLiteColumns streamedTextRow(const std::vector<std::string>& cells) {
  db::SQLiteColumns row;
  for (const std::string& cell : cells) row.emplace("c", cell);
  return row;
}

// The lines a table writes for `rows` rows of (`name`, n); `title(i)` gives
// row i's value in the first column, n is its number.
template <typename Title>
std::vector<std::string> tableLines(std::size_t rows, Title title, const std::string& name = "title") {
  std::ostringstream out;
  auto writer = console::makeResultWriter(ResultFormat::kTable, out);
  writer->beginResult({name, "n"});
  for (std::size_t i = 1; i <= rows; ++i) {
    const std::vector<std::string> cells{title(i), std::to_string(i)};
    writer->addRow(i, streamedTextRow(cells), cells);
  }
  writer->finish();
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kTokyo = "\u6771\u4eac\u30ec\u30a4\u30f3\u30b3\u30fc\u30c8";  // 16 columns

TEST(TableStream, AResultWithinTheFirstBlockIsSizedFromAllOfIt) {
  const std::size_t rows = console::kTableSizingRows;
  const auto lines = tableLines(rows, [&](std::size_t i) { return i == rows ? kTokyo : std::string("abc"); });
  ASSERT_EQ(lines.size(), rows + 2);
  EXPECT_EQ(lines[0], "   #  title             n");
  EXPECT_EQ(lines[1], "----  ----------------  ----");
  EXPECT_EQ(lines[2], "   1  abc" + std::string(13, ' ') + "  1");
  EXPECT_EQ(lines.back(), std::to_string(rows) + "  " + kTokyo + "  " + std::to_string(rows));
}

TEST(TableStream, LaterValuesAreCutToTheFirstBlocksWidthsByDisplayWidth) {
  const std::size_t first = console::kTableSizingRows;
  const auto lines = tableLines(10000, [&](std::size_t i) {
    if (i <= first) return std::string("abcdef");
    if (i == first + 1) return kTokyo;
    if (i == first + 2) return std::string("Cafe\u0301teria");
    return std::string("ghi");
  });
  ASSERT_EQ(lines.size(), 10000u + 2);
  EXPECT_EQ(lines[0], "   #  title   n");
  EXPECT_EQ(lines[first + 1], std::to_string(first) + "  abcdef  " + std::to_string(first));
  // Two wide characters and the ellipsis fill five of the six columns.
  EXPECT_EQ(lines[first + 2], std::to_string(first + 1) + "  \u6771\u4eac\u2026   " + std::to_string(first + 1));
  EXPECT_EQ(lines[first + 3], std::to_string(first + 2) + "  Cafe\u0301t\u2026  " + std::to_string(first + 2));
  EXPECT_EQ(lines[first + 4], std::to_string(first + 3) + "  ghi     " + std::to_string(first + 3));
  // The last column and the row numbers are never cut.
  EXPECT_EQ(lines.back(), "10000  ghi     10000");
}

TEST(TableStream, AColumnEmptyInTheFirstBlockStillShowsThatAValueWasCut) {
  const std::size_t first = console::kTableSizingRows;
  auto empty_then_abc = [&](std::size_t i) { return std::string(i <= first ? "" : "abc"); };
  EXPECT_EQ(tableLines(first, empty_then_abc, "")[1], "----    ----") << "a result within the block is as it was";
  const auto lines = tableLines(first + 1, empty_then_abc, "");
  EXPECT_EQ(lines[1], "----  -  ----");
  EXPECT_EQ(lines.back(), std::to_string(first + 1) + "  \u2026  " + std::to_string(first + 1));
}

// A number wider than its column shifts its line rather than lose digits.
TEST(TableStream, LaterNumbersAreNeverCut) {
  std::ostringstream out;
  auto writer = console::makeResultWriter(ResultFormat::kTable, out);
  writer->beginResult({"x", "t"});
  const std::size_t rows = console::kTableSizingRows + 10;
  for (std::size_t i = 1; i <= rows; ++i) {
    db::SQLiteColumns row;
    const int64_t x = i <= console::kTableSizingRows ? 1 : static_cast<int64_t>(i) * 1000;
    row.emplace("x", x);
    row.emplace("t", std::string("v"));
    writer->addRow(i, row, {std::to_string(x), "v"});
  }
  writer->finish();
  const std::string text = out.str();
  EXPECT_TRUE(text.ends_with(std::to_string(rows) + "  " + std::to_string(rows * 1000) + "  v\n"))
      << text.substr(text.size() - 60);
}

struct CutCase {
  const char* text;
  std::size_t width;
  const char* cut;
};

void PrintTo(const CutCase& c, std::ostream* out) { *out << '"' << c.text << "\" in " << c.width; }

class CutToWidthTest : public testing::TestWithParam<CutCase> {};

TEST_P(CutToWidthTest, FitsTheColumns) {
  const CutCase& c = GetParam();
  const std::string cut = console::cutToWidth(c.text, c.width);
  EXPECT_EQ(cut, c.cut);
  EXPECT_LE(console::displayWidth(cut), c.width);
}

INSTANTIATE_TEST_SUITE_P(Texts, CutToWidthTest, testing::Values(
    CutCase{"abc", 3, "abc"},
    CutCase{"abcd", 3, "ab\u2026"},
    CutCase{"abcd", 1, "\u2026"},
    CutCase{"abcd", 0, ""},
    CutCase{"", 0, ""},
    CutCase{"\u6771\u4eac\u30ec", 6, "\u6771\u4eac\u30ec"},
    CutCase{"\u6771\u4eac\u30ec", 5, "\u6771\u4eac\u2026"},
    CutCase{"\u6771\u4eac\u30ec", 4, "\u6771\u2026"},        // the second wide character does not fit
    CutCase{"\u6771\u4eac\u30ec", 1, "\u2026"},
    CutCase{"e\u0301e\u0301e\u0301", 2, "e\u0301\u2026"},    // the mark stays with its letter
    CutCase{"ab\u0301c", 3, "ab\u0301c"},
    CutCase{"a\xff" "bc", 3, "a\xff\u2026"}));                 // an invalid byte is one column

}  // namespace
