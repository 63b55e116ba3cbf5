// Which chart fits a console result, decided from the kinds of its columns
// and its number of rows (see ChartData for the kinds).
//
// The first chosen column gives the labels (bar, pie) or the x values
// (line); every further chosen column is a series of values and must hold
// numbers. Of the charts that fit, the first that applies is chosen:
//   pie   labels of text, one column of values, at most kPieMostRows rows,
//         none negative ("genre, count(*)" over a handful of genres)
//   bar   labels of text
//   line  labels of numbers or dates (a year, a date, a bitrate)
// When none fits, the reason says what to change. The user may switch to
// another type that fits; unfitReason() says why one does not.
#ifndef VOSTREL_CONSOLE_CHART_RULE_H_
#define VOSTREL_CONSOLE_CHART_RULE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/chart_data.h"

namespace console {

inline constexpr uint64_t kPieMostRows = 12;

enum class ChartType { kBar, kLine, kPie };

// "Bar", "Line", "Pie".
const char* chartTypeName(ChartType type);

struct ChartColumn {
  std::string name;
  ValueKind kind = ValueKind::kEmpty;
};

// The columns chosen for a chart and what they hold.
struct ChartShape {
  ChartColumn labels;
  std::vector<ChartColumn> values;
  uint64_t rows = 0;
  bool negative_values = false;
};

// The first chosen column and the value columns of `data` (indexes into its
// columns) as a shape; `labels` must be a column of `data`.
ChartShape chartShape(const ChartData& data, std::size_t labels, const std::vector<std::size_t>& values);

struct ChartChoice {
  std::optional<ChartType> type;  // nullopt: no chart fits
  std::string reason;             // why not, when no chart fits
};

ChartChoice chooseChart(const ChartShape& shape);

// Empty when a chart of `type` can show `shape`, else why not.
std::string unfitReason(ChartType type, const ChartShape& shape);

}  // namespace console

#endif  // VOSTREL_CONSOLE_CHART_RULE_H_
