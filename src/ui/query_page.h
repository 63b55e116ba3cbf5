// QueryPage: the "Query" page of the query sheet. The SQL editor "SQL
// query:" with "&Apply", "&Revert" and "Preview"; the "Result node options:"
// list (columns "Level" and "Name", full-row selection, grid lines) with
// "&Edit..." (a double-click on a row does the same); and under it the
// preview: the first rows of the statement and the time taken, in a
// read-only table.
//
// The page reports edits and clicks; the sheet dialog applies, reverts and
// opens the level dialog, and asks the page to preview a statement.
#ifndef VOSTREL_UI_QUERY_PAGE_H_
#define VOSTREL_UI_QUERY_PAGE_H_

#include <string>
#include <vector>

#include <QWidget>

#include "tree/node_editing.h"
#include "ui/query_preview.h"

class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

namespace db {
class SQLiteDatabase;
}

namespace ui {

class ResultModel;
class SqlEditor;

class QueryPage : public QWidget {
  Q_OBJECT

 public:
  // Previews run on `db`, the panel's connection.
  explicit QueryPage(db::SQLiteDatabase& db, QWidget* parent = nullptr);
  ~QueryPage() override;

  // Shows the sheet's SQL text (without counting as an edit).
  void load(const tree::QuerySheet& sheet);
  void store(tree::QuerySheet& sheet) const;
  // Fills the level list, one row per option, and selects the first row.
  void showLevels(const std::vector<tree::QueryResultNodeOption>& options);
  void showEnableState(const tree::QuerySheet::EnableState& state);
  // Whether "Preview" may start a run (the other buttons of the sheet may
  // keep the connection busy).
  void setPreviewAllowed(bool allowed);

  // Runs `statement` for the preview table; returns when it has ended. The
  // page keeps its own copy, since events are let through meanwhile.
  void runPreview(std::string statement);
  void stopPreview() { preview_.abort(); }
  bool previewRunning() const { return preview_.running(); }

  // The level index of the one selected row, or -1.
  int selectedLevel() const;

  SqlEditor* editor() const { return editor_; }
  QPushButton* applyButton() const { return apply_; }
  QPushButton* revertButton() const { return revert_; }
  QPushButton* previewButton() const { return preview_button_; }
  QPushButton* editButton() const { return edit_; }
  QTableWidget* levelList() const { return levels_; }
  QTableView* previewTable() const { return preview_table_; }
  ResultModel* previewModel() const { return preview_model_; }
  QLabel* previewStatus() const { return preview_status_; }

 signals:
  void sqlEdited();
  void applyClicked();
  void revertClicked();
  // "Preview" clicked while no preview runs.
  void previewClicked();
  void editLevelRequested(int index);

 private:
  QWidget* makeLevelPane();
  QWidget* makePreviewPane();
  void updatePreviewButton();

  QueryPreview preview_;
  SqlEditor* editor_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* revert_ = nullptr;
  QPushButton* preview_button_ = nullptr;
  QPushButton* edit_ = nullptr;
  QTableWidget* levels_ = nullptr;
  QTableView* preview_table_ = nullptr;
  ResultModel* preview_model_ = nullptr;
  QLabel* preview_status_ = nullptr;
  bool loading_ = false;
  bool preview_allowed_ = true;
};

}  // namespace ui

#endif  // VOSTREL_UI_QUERY_PAGE_H_
