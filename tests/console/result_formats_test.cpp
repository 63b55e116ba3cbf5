// How each line-per-row format writes a field that holds line breaks,
// separators or quotes, so that every row stays one record.
#include "console/result_formats.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "db/property.h"

namespace {

struct FieldCase {
  const char* name;
  const char* field;
  const char* csv;
  const char* tsv;
};

const FieldCase kFieldCases[] = {
    {"Plain", "abc", "abc", "abc"},
    {"Empty", "", "", ""},
    {"BareCarriageReturn", "a\rb", "\"a\rb\"", "a\\rb"},
    {"BareLineFeed", "a\nb", "\"a\nb\"", "a\\nb"},
    {"CarriageReturnLineFeed", "a\r\nb", "\"a\r\nb\"", "a\\r\\nb"},
    {"TrailingCarriageReturn", "a\r", "\"a\r\"", "a\\r"},
    {"Comma", "a,b", "\"a,b\"", "a,b"},
    {"Quote", "say \"hi\"", "\"say \"\"hi\"\"\"", "say \"hi\""},
    {"TabAndBackslash", "a\tb\\", "a\tb\\", "a\\tb\\\\"},
};

// One row of text values, as the console run hands them to a writer.
db::SQLiteColumns textRow(const std::vector<std::string>& cells) {
  db::SQLiteColumns row;
  for (const std::string& cell : cells) row.emplace("c", cell);
  return row;
}

// The header line and one row of two fields, the case's field first.
std::string written(console::ResultFormat format, const std::string& field) {
  std::ostringstream out;
  auto writer = console::makeResultWriter(format, out);
  writer->beginResult({"f", "g"});
  writer->addRow(1, textRow({field, "end"}), {field, "end"});
  writer->finish();
  return out.str();
}

class FieldEscapeTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldEscapeTest, OneRecordPerRow) {
  const FieldCase& c = GetParam();
  EXPECT_EQ(written(console::ResultFormat::kCsv, c.field), std::string("f,g\r\n") + c.csv + ",end\r\n");
  EXPECT_EQ(written(console::ResultFormat::kTsv, c.field), std::string("f\tg\n") + c.tsv + "\tend\n");
}

INSTANTIATE_TEST_SUITE_P(Fields, FieldEscapeTest, ::testing::ValuesIn(kFieldCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TableFormat, LineBreaksInACellBecomeBlanks) {
  std::ostringstream out;
  auto writer = console::makeResultWriter(console::ResultFormat::kTable, out);
  writer->beginResult({"f"});
  writer->addRow(1, textRow({"a\rb\nc"}), {"a\rb\nc"});
  writer->finish();
  EXPECT_EQ(out.str(), "#  f\n-  -----\n1  a b c\n");
}

}  // namespace
