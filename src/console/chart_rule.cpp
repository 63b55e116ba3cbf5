#include "console/chart_rule.h"

namespace console {
namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// What every chart needs: rows, labels that are not all NULL and at least
// one column of numbers after them.
std::string commonReason(const ChartShape& shape) {
  if (shape.rows == 0) return "The result has no rows to chart.";
  if (shape.values.empty()) {
    return "A chart needs a column of labels or x values and at least one column of numbers after it.";
  }
  if (shape.labels.kind == ValueKind::kEmpty) {
    return "Column " + quoted(shape.labels.name) + " holds only NULL and cannot label the chart.";
  }
  for (const ChartColumn& column : shape.values) {
    if (column.kind != ValueKind::kNumber) {
      return "Column " + quoted(column.name) + " holds " + kindText(column.kind) +
             ", not numbers: leave it out of the values.";
    }
  }
  return {};
}

}  // namespace

const char* chartTypeName(ChartType type) {
  switch (type) {
    case ChartType::kBar:
      return "Bar";
    case ChartType::kLine:
      return "Line";
    case ChartType::kPie:
      break;
  }
  return "Pie";
}

ChartShape chartShape(const ChartData& data, std::size_t labels, const std::vector<std::size_t>& values) {
  ChartShape shape;
  shape.labels = {data.columns()[labels], data.kind(labels)};
  for (const std::size_t column : values) {
    shape.values.push_back({data.columns()[column], data.kind(column)});
    shape.negative_values = shape.negative_values || data.hasNegative(column);
  }
  shape.rows = data.totalRows();
  return shape;
}

std::string unfitReason(ChartType type, const ChartShape& shape) {
  if (std::string reason = commonReason(shape); !reason.empty()) return reason;
  switch (type) {
    case ChartType::kBar:
      return {};
    case ChartType::kLine:
      if (shape.labels.kind == ValueKind::kNumber || shape.labels.kind == ValueKind::kDate) return {};
      return "A line chart needs numbers or dates in its first column; " + quoted(shape.labels.name) + " holds " +
             kindText(shape.labels.kind) + ".";
    case ChartType::kPie:
      if (shape.values.size() != 1) {
        return "A pie chart shows one column of values; " + std::to_string(shape.values.size()) + " are chosen.";
      }
      if (shape.rows > kPieMostRows) {
        return "A pie chart shows at most " + std::to_string(kPieMostRows) + " rows; the result has " +
               std::to_string(shape.rows) + ".";
      }
      if (shape.negative_values) return "A pie chart cannot show negative values.";
      return {};
  }
  return {};
}

ChartChoice chooseChart(const ChartShape& shape) {
  if (std::string reason = commonReason(shape); !reason.empty()) return {std::nullopt, std::move(reason)};
  if (shape.labels.kind == ValueKind::kText) {
    if (unfitReason(ChartType::kPie, shape).empty()) return {ChartType::kPie, {}};
    return {ChartType::kBar, {}};
  }
  return {ChartType::kLine, {}};
}

}  // namespace console
