// ConsoleWindow: the Vostrel console, a modeless window in which the user
// types or loads an SQL script, runs it on the console's own connection and
// sees the rows of its last statement. One per process, owned by the main
// window; closing it only hides it, so the script and the result are there
// when it is opened again. Its size is remembered on closing, together with
// the icon selector's, and restored on opening.
//
//   console->openWithScript(QString());          // just shows it
//   console->openWithScript(QStringLiteral("SELECT 1"));  // shows and runs
//
// A script sent while a run is going on aborts that run and runs once the
// abort has taken effect. The window stays responsive during a run because
// the database layer lets events through at its progress checks.
#ifndef VOSTREL_UI_CONSOLE_WINDOW_H_
#define VOSTREL_UI_CONSOLE_WINDOW_H_

#include <QString>
#include <functional>

#include "console/chart_data.h"
#include "console/console_run.h"
#include "db/database.h"
#include "ui/dialog.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableView;

namespace host {
class Host;
}

namespace ui {

class ChartPanel;
class ResultModel;
class SqlEditor;

class ConsoleWindow : public Dialog {
  Q_OBJECT

 public:
  ConsoleWindow(host::Host& host, QWidget* parent = nullptr);
  ~ConsoleWindow() override;

  // Shows the window; a non-empty `script` replaces the script and runs
  // (after aborting a run that is going on).
  void openWithScript(const QString& script);

  // "&Execute": runs the script unless a run is going on.
  void execute();
  // "&Abort": stops the run at its next progress check.
  void abort();
  bool running() const { return running_; }

  // Loads or saves the script from or to `path`; a message box tells about
  // a failure, which leaves the script and the file as they were.
  bool loadScript(const QString& path);
  bool saveScript(const QString& path);

  // One dialog unit in pixels, horizontally and vertically, for this
  // window's font.
  double horizontalUnit() const;
  double verticalUnit() const;

  SqlEditor& editor() { return *editor_; }
  QTableView& results() { return *results_; }
  ResultModel& model() { return *model_; }
  QString statusText() const;
  QPushButton& executeButton() { return *execute_; }
  QPushButton& abortButton() { return *abort_; }
  QPushButton& loadButton() { return *load_; }
  QPushButton& saveButton() { return *save_; }
  QSplitter& splitter() { return *splitter_; }
  // The "Grid" and "Chart" tabs of the result, and the chart.
  QTabWidget& resultTabs() { return *tabs_; }
  ChartPanel& chart() { return *chart_; }
  // The sorted column (-1 none) and its order.
  int sortColumn() const { return sort_column_; }
  bool sortAscending() const { return sort_ascending_; }

  // Opens the results' context menu at `pos` (viewport coordinates).
  void showResultsMenu(const QPoint& pos);
  // Runs a context menu; returns the chosen action or null. Tests replace it.
  std::function<QAction*(QMenu& menu, const QPoint& global_pos)> run_menu;
  // Asks for a file to load or save ("" when cancelled). Tests replace them.
  std::function<QString()> choose_load_file;
  std::function<QString()> choose_save_file;

 signals:
  // A run ended: the library tables may have changed, so the open table
  // preference pages reload.
  void tablePagesReloadRequested();
  // A run ended with `status` on the status line.
  void runFinished(const QString& status);

 protected:
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildLayout();
  void updateButtons();
  void setStatus(const QString& text);
  void sortBy(int column);
  void resetSort();
  void fitColumns();
  void fitNumberColumn();
  void fitValueColumns();
  void chooseAndLoad();
  void chooseAndSave();

  host::Host& host_;
  db::SQLiteDatabase db_;
  console::ConsoleRun run_;
  // The rows of the last run as the chart takes them, beside model_.
  console::ChartData chart_data_;
  bool running_ = false;
  bool rerun_ = false;
  bool laid_out_ = false;
  int sort_column_ = -1;
  bool sort_ascending_ = true;
  QString last_folder_;

  SqlEditor* editor_ = nullptr;
  QTableView* results_ = nullptr;
  ResultModel* model_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  ChartPanel* chart_ = nullptr;
  QPushButton* execute_ = nullptr;
  QPushButton* abort_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* save_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_CONSOLE_WINDOW_H_
