// ChartData: the rows of a console run's last statement, kept for a chart.
// As a ResultSink it takes the run's typed values beside the grid; the
// console window hands it the same rows as its ResultModel.
//
// It keeps at most kChartRowCap rows (a chart of more stalls the window and
// shows nothing a reader can tell apart) and counts the rest, so that the
// chart can say it shows the first kChartRowCap of totalRows().
//
// Each column gets a ValueKind from its kept cells, NULLs aside:
//   number  every cell an INTEGER or REAL, or text that is a whole number
//           ("1999", "-2.5e3": the library's tags arrive as text)
//   date    every cell an ISO date "YYYY-MM[-DD][( |T)HH:MM[:SS]]", or a
//           year (a whole number from 1000 to 9999), with at least one
//           date among them: a date tag mixes "1999" and "1999-05-01"
//   text    anything else (a blob, or a mix of text and numbers)
//   empty   no cells, or only NULLs
#ifndef VOSTREL_CONSOLE_CHART_DATA_H_
#define VOSTREL_CONSOLE_CHART_DATA_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_run.h"

namespace console {

inline constexpr std::size_t kChartRowCap = 10000;

enum class ValueKind { kEmpty, kNumber, kDate, kText };

// "numbers", "dates", "text", "only NULL": for messages.
const char* kindText(ValueKind kind);

// The value of an ISO date (see above) in milliseconds since 1970-01-01
// UTC; false when `text` is not one.
bool parseIsoDate(std::string_view text, double& milliseconds);

class ChartData : public ResultSink {
 public:
  // ResultSink
  void beginResult(const std::vector<std::string>& columns) override;
  void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override;
  void clearResult() override;

  const std::vector<std::string>& columns() const { return columns_; }
  // The rows kept (at most kChartRowCap) and all rows the run gave.
  std::size_t rowCount() const { return rows_; }
  uint64_t totalRows() const { return total_rows_; }
  bool capped() const { return total_rows_ > rows_; }

  ValueKind kind(std::size_t column) const;
  // True when a number of the column is below zero.
  bool hasNegative(std::size_t column) const { return stats_[column].negative; }

  // The cell as the grid shows it ("<null>" for NULL).
  const std::string& label(std::size_t row, std::size_t column) const { return cells_[at(row, column)].text; }
  // The cell's number; NaN for NULL and anything not a number.
  double number(std::size_t row, std::size_t column) const { return cells_[at(row, column)].number; }
  // The cell's date in milliseconds since 1970 (a year counts as its
  // first of January); NaN for NULL and anything not a date or a year.
  double date(std::size_t row, std::size_t column) const;

 private:
  struct Cell {
    std::string text;
    double number;  // NaN unless a number
    double date;    // NaN unless an ISO date
  };
  // What a column's kept cells were, for kind().
  struct Stats {
    bool number = false;
    bool non_year_number = false;
    bool date = false;
    bool text = false;
    bool negative = false;
  };

  std::size_t at(std::size_t row, std::size_t column) const { return row * columns_.size() + column; }

  std::vector<std::string> columns_;
  std::vector<Stats> stats_;
  std::vector<Cell> cells_;
  std::size_t rows_ = 0;
  uint64_t total_rows_ = 0;
};

}  // namespace console

#endif  // VOSTREL_CONSOLE_CHART_DATA_H_
