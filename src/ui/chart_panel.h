// ChartPanel: the console's "Chart" tab. It draws the rows of the last run
// (a console::ChartData the console fills beside its grid) as a bar, line or
// pie chart, and exports the chart as a PNG or SVG file.
//
//   panel->setData(&chart_data);   // once; the data outlives the panel
//   panel->resultChanged();        // after every run
//
// A new result gets the chart the rule in console/chart_rule.h picks, from
// the first column as labels and all others as values; a result with the
// same columns as the one before keeps the user's type and columns, so that
// running a script again redraws the same chart. A type or a choice of
// columns that cannot be drawn shows why instead of a chart. The chart is
// built only while the tab is shown: runs with the grid in front pay
// nothing for it.
#ifndef VOSTREL_UI_CHART_PANEL_H_
#define VOSTREL_UI_CHART_PANEL_H_

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console/chart_rule.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace ui {

class ChartPanel : public QWidget {
  Q_OBJECT

 public:
  explicit ChartPanel(QWidget* parent = nullptr);
  ~ChartPanel() override;

  // REQUIRES: `data` outlives the panel.
  void setData(const console::ChartData* data);
  // The data holds a new result: choose the chart anew (or keep the user's
  // choice for the same columns) and draw it when the tab is shown.
  void resultChanged();
  // Draws the chart now from the data and the chosen type and columns.
  void refresh();

  // The chart drawn (nullopt: none, message() says why).
  std::optional<console::ChartType> shownType() const { return shown_type_; }
  // Why no chart is drawn, or that only the first rows are; empty otherwise.
  QString message() const;
  // The rows the chart shows, and how long building it took.
  std::size_t drawnRows() const { return drawn_rows_; }
  double lastBuildMilliseconds() const { return build_ms_; }

  // Writes the chart to `path`: PNG or SVG by the name's ending. Returns the
  // error to show, empty on success; a failed export leaves no file behind
  // and an existing one as it was.
  QString exportTo(const QString& path);

  QComboBox& typeBox() { return *type_; }
  QComboBox& labelsBox() { return *labels_; }
  QListWidget& valuesList() { return *values_; }
  QPushButton& exportButton() { return *export_; }
  QWidget& chartView();

  // Asks for the file to export to ("" when cancelled). Tests replace it.
  std::function<QString()> choose_export_file;
  // Shows an export error. Tests replace it.
  std::function<void(const QString&)> show_error;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Charts;

  void chooseDefaults();
  void fillColumnControls();
  void userChanged();
  void chooseAndExport();
  std::size_t labelColumn() const;
  std::vector<std::size_t> valueColumns() const;

  const console::ChartData* data_ = nullptr;
  std::unique_ptr<Charts> charts_;
  std::vector<std::string> columns_;  // the columns the controls were made for
  bool stale_ = true;
  bool filling_ = false;
  bool type_chosen_ = false;  // the user picked the type for these columns
  std::optional<console::ChartType> shown_type_;
  std::size_t drawn_rows_ = 0;
  double build_ms_ = 0;
  bool antialiased_ = true;
  QString last_folder_;

  QComboBox* type_ = nullptr;
  QComboBox* labels_ = nullptr;
  QListWidget* values_ = nullptr;
  QPushButton* export_ = nullptr;
  QLabel* message_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_CHART_PANEL_H_
