// ResultModel: the rows of a console run's last statement for a table view.
// As the run's ResultSink it takes rows as they come into one text buffer
// (no object per cell); the view sees them when the run calls publish().
//
// Column 0 is "#", the row's number in the result; a result without columns
// has the single column "No rows". sort() orders the rows by one column's
// text with the natural comparison ("2" before "10"), and every new result
// drops the order.
#ifndef VOSTREL_UI_RESULT_MODEL_H_
#define VOSTREL_UI_RESULT_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractTableModel>

#include "console/console_run.h"

namespace ui {

class ResultModel : public QAbstractTableModel, public console::ResultSink {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // console::ResultSink
  void beginResult(const std::vector<std::string>& columns) override;
  void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override;
  void clearResult() override;

  // Shows the rows added since the last call.
  void publish();

  // The result's columns, without "#" (empty in the "No rows" state).
  const std::vector<std::string>& columns() const { return columns_; }
  bool noRows() const { return columns_.empty(); }

  // Cell text as copied: "#" is the row's number.
  QString cellText(int row, int column) const;
  // The cells of a row, "#" first, joined with ",".
  QString rowText(int row) const;
  // Every row as rowText(), rows joined with "\r\n".
  QString allRowsText() const;

  // QAbstractTableModel
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  // The stored row behind view row `row`.
  std::size_t sourceRow(int row) const { return order_.empty() ? static_cast<std::size_t>(row) : order_[row]; }
  std::string_view cell(std::size_t source_row, std::size_t column) const;
  void reset(std::vector<std::string> columns);

  std::vector<std::string> columns_;
  // The cells of row r, column c start at starts_[r * columns + c]; each
  // ends where the next begins (starts_ ends with the buffer's size).
  std::string text_;
  std::vector<std::size_t> starts_{0};
  std::size_t stored_rows_ = 0;
  std::size_t published_rows_ = 0;
  std::vector<uint32_t> order_;  // view row -> stored row once sorted
};

}  // namespace ui

#endif  // VOSTREL_UI_RESULT_MODEL_H_
