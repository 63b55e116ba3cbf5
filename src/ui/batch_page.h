// BatchPage: the "Batch" page of the query sheet: "SQL batch:" in the SQL
// editor, and "&Validate", "&Execute" and "&Tree console". The page only
// reports the clicks; the sheet dialog validates, runs and sends the batch.
#ifndef VOSTREL_UI_BATCH_PAGE_H_
#define VOSTREL_UI_BATCH_PAGE_H_

#include <QWidget>

#include "tree/node_editing.h"

class QPushButton;

namespace ui {

class SqlEditor;

class BatchPage : public QWidget {
  Q_OBJECT

 public:
  explicit BatchPage(QWidget* parent = nullptr);

  void load(const tree::QuerySheet& sheet);
  void store(tree::QuerySheet& sheet) const;
  void showEnableState(const tree::QuerySheet::EnableState& state);

  SqlEditor* editor() const { return editor_; }
  QPushButton* validateButton() const { return validate_; }
  QPushButton* executeButton() const { return execute_; }
  QPushButton* consoleButton() const { return console_; }

 signals:
  void batchEdited();
  void validateClicked();
  void executeClicked();
  void consoleClicked();

 private:
  SqlEditor* editor_ = nullptr;
  QPushButton* validate_ = nullptr;
  QPushButton* execute_ = nullptr;
  QPushButton* console_ = nullptr;
  // Set while the page itself replaces the text.
  bool loading_ = false;
};

}  // namespace ui

#endif  // VOSTREL_UI_BATCH_PAGE_H_
