// The chart a console result gets, from the kinds of its columns and its
// rows; how cells become kinds; and the cap on the rows a chart keeps.
#include "console/chart_rule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "console/chart_data.h"
#include "db/property.h"

namespace {

using console::ChartType;
using console::ValueKind;

constexpr ValueKind kText = ValueKind::kText;
constexpr ValueKind kNumber = ValueKind::kNumber;
constexpr ValueKind kDate = ValueKind::kDate;
constexpr ValueKind kEmpty = ValueKind::kEmpty;

struct ChoiceCase {
  const char* name;
  ValueKind labels;
  std::vector<ValueKind> values;
  uint64_t rows;
  bool negative;
  std::optional<ChartType> chosen;
  const char* reason;  // a part of the reason when nothing is chosen
};

const ChoiceCase kChoiceCases[] = {
    {"TextAndOneNumberFewRowsIsPie", kText, {kNumber}, 12, false, ChartType::kPie, ""},
    {"TextAndOneNumberManyRowsIsBar", kText, {kNumber}, 13, false, ChartType::kBar, ""},
    {"TextAndNegativeNumbersIsBar", kText, {kNumber}, 5, true, ChartType::kBar, ""},
    {"TextAndTwoNumbersIsBar", kText, {kNumber, kNumber}, 3, false, ChartType::kBar, ""},
    {"NumberFirstIsLine", kNumber, {kNumber}, 3, false, ChartType::kLine, ""},
    {"DateFirstIsLine", kDate, {kNumber, kNumber}, 500, false, ChartType::kLine, ""},
    {"NoRows", kText, {kNumber}, 0, false, std::nullopt, "no rows"},
    {"OneColumn", kNumber, {}, 4, false, std::nullopt, "at least one column of numbers"},
    {"TextValues", kText, {kNumber, kText}, 4, false, std::nullopt, "holds text, not numbers"},
    {"DateValues", kNumber, {kDate}, 4, false, std::nullopt, "holds dates, not numbers"},
    {"NullValues", kText, {kEmpty}, 4, false, std::nullopt, "holds only NULL, not numbers"},
    {"NullLabels", kEmpty, {kNumber}, 4, false, std::nullopt, "cannot label"},
};

console::ChartShape shapeOf(const ChoiceCase& c) {
  console::ChartShape shape;
  shape.labels = {"first", c.labels};
  for (std::size_t i = 0; i < c.values.size(); ++i) shape.values.push_back({"v" + std::to_string(i + 1), c.values[i]});
  shape.rows = c.rows;
  shape.negative_values = c.negative;
  return shape;
}

class ChartChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChartChoiceTest, ChoosesOrSaysWhy) {
  const ChoiceCase& c = GetParam();
  const console::ChartChoice choice = console::chooseChart(shapeOf(c));
  EXPECT_EQ(choice.type, c.chosen);
  if (c.chosen) {
    EXPECT_EQ(choice.reason, "");
    EXPECT_EQ(console::unfitReason(*c.chosen, shapeOf(c)), "");
  } else {
    EXPECT_NE(choice.reason.find(c.reason), std::string::npos) << choice.reason;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, ChartChoiceTest, ::testing::ValuesIn(kChoiceCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The types a user may switch to, and why the others do not fit.
TEST(ChartSwitch, SaysWhyATypeDoesNotFit) {
  console::ChartShape shape{{"genre", kText}, {{"tracks", kNumber}, {"albums", kNumber}}, 20, false};
  EXPECT_EQ(console::unfitReason(ChartType::kBar, shape), "");
  EXPECT_EQ(console::unfitReason(ChartType::kLine, shape),
            "A line chart needs numbers or dates in its first column; \"genre\" holds text.");
  EXPECT_EQ(console::unfitReason(ChartType::kPie, shape), "A pie chart shows one column of values; 2 are chosen.");
  shape.values.pop_back();
  EXPECT_EQ(console::unfitReason(ChartType::kPie, shape), "A pie chart shows at most 12 rows; the result has 20.");
  shape.labels.kind = kNumber;
  EXPECT_EQ(console::unfitReason(ChartType::kBar, shape), "");
  EXPECT_EQ(console::unfitReason(ChartType::kLine, shape), "");
}

// Feeds rows of one column each to a ChartData.
class CellKindTest : public ::testing::Test {
 protected:
  template <typename... Values>
  ValueKind kindOf(Values... values) {
    data_.beginResult({"c"});
    uint64_t number = 0;
    (add(++number, values), ...);
    return data_.kind(0);
  }
  template <typename Value>
  void add(uint64_t number, Value value) {
    db::SQLiteColumns row;
    row.emplace("c", value);
    data_.addRow(number, row, {"cell"});
  }
  void addNull(uint64_t number) {
    db::SQLiteColumns row;
    row.emplace(db::kTagText, "c");  // starts null
    data_.addRow(number, row, {"<null>"});
  }

  console::ChartData data_;
};

TEST_F(CellKindTest, KindsFromTypedValuesAndText) {
  EXPECT_EQ(kindOf(int64_t{3}, 2.5), kNumber);
  EXPECT_EQ(kindOf("1999", "-2.5e3"), kNumber);
  EXPECT_EQ(kindOf("2001-05-01", "1999-12", "2003-02-28 10:00:05"), kDate);
  // A date tag mixes years and dates; a year among other numbers stays a number.
  EXPECT_EQ(kindOf("1999", "2001-05-01", int64_t{2004}), kDate);
  EXPECT_EQ(kindOf(int64_t{12}, "2001-05-01"), kText);
  EXPECT_EQ(kindOf("Rock", int64_t{1}), kText);
  EXPECT_EQ(kindOf("2001-02-29"), kText);
  EXPECT_EQ(kindOf("12 kbps"), kText);
  EXPECT_EQ(kindOf(), kEmpty);
}

TEST_F(CellKindTest, NullsLeaveTheKind) {
  data_.beginResult({"c"});
  addNull(1);
  EXPECT_EQ(data_.kind(0), kEmpty);
  add(2, int64_t{5});
  addNull(3);
  EXPECT_EQ(data_.kind(0), kNumber);
  EXPECT_TRUE(std::isnan(data_.number(2, 0)));
  EXPECT_EQ(data_.label(2, 0), "<null>");
}

TEST_F(CellKindTest, DatesInMillisecondsAndYearsAsTheirFirstDay) {
  kindOf("1970-01-02", "2000", "2000-03-01T12:30");
  EXPECT_EQ(data_.date(0, 0), 86400000.0);
  EXPECT_EQ(data_.date(1, 0), 946684800000.0);
  EXPECT_EQ(data_.date(2, 0), 951913800000.0);
}

TEST(ChartData, KeepsTheFirstRowsUpToTheCap) {
  console::ChartData data;
  data.beginResult({"n", "v"});
  for (uint64_t r = 1; r <= console::kChartRowCap + 1; ++r) {
    db::SQLiteColumns row;
    row.emplace("n", static_cast<int64_t>(r));
    row.emplace("v", "later text");
    data.addRow(r, row, {std::to_string(r), "later text"});
    if (r == console::kChartRowCap) {
      EXPECT_FALSE(data.capped());
    }
  }
  EXPECT_EQ(data.rowCount(), console::kChartRowCap);
  EXPECT_EQ(data.totalRows(), console::kChartRowCap + 1);
  EXPECT_TRUE(data.capped());
  EXPECT_EQ(data.label(console::kChartRowCap - 1, 0), std::to_string(console::kChartRowCap));
  // The shape counts every row, so a capped result is never a pie.
  EXPECT_EQ(console::chartShape(data, 0, {0}).rows, console::kChartRowCap + 1);
}

}  // namespace
