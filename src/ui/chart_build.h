// Builds the Qt chart of a console result: the drawing half of the chart
// tab, apart from its controls (ui/chart_panel.h).
//
//   bar   one bar set per value column over the labels as categories; a
//         repeated label gets " (2)", " (3)"..., NULLs count as 0. Past
//         kMostLabelledBars rows the bars go by row without labels, and
//         pointing at a bar names it.
//   line  one line per value column, its points ordered by x (numbers, or
//         dates on a date axis); rows with a NULL are left out
//   pie   one slice per row of the one value column
#ifndef VOSTREL_UI_CHART_BUILD_H_
#define VOSTREL_UI_CHART_BUILD_H_

#include <cstddef>
#include <vector>

#include "console/chart_rule.h"

class QChart;

namespace ui {

// Past this many bars their labels would overlap into a grey band.
inline constexpr std::size_t kMostLabelledBars = 40;

// A new chart, owned by the caller. A bar chart of more than
// kMostLabelledBars rows refers to `data` while it lives. REQUIRES: console::unfitReason(type, ...)
// is empty for these columns.
QChart* buildChart(const console::ChartData& data, console::ChartType type, std::size_t labels,
                   const std::vector<std::size_t>& values, bool dark);

// A chart with nothing in it, for a result that cannot be drawn.
QChart* emptyChart();

}  // namespace ui

#endif  // VOSTREL_UI_CHART_BUILD_H_
