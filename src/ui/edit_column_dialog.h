// EditColumnDialog: the column editor of the table preferences pages
// ("Edit column"). It edits a copy of one column of MediaLibrary or
// Playlist: its type (Tag, TechInfo, Predefined, TFExpression), name,
// default collation, the tag fields and the title-formatting expression.
// Its OK puts the column into the page's list, or refuses an empty name or
// a name another column has and stays open.
//
//   EditColumnDialog dialog(EditColumnDialog::Mode::kEdit, list[index], type, list, host, page);
//   dialog.setEditedIndex(index);
//   if (dialog.run()) ...   // the list holds the edited column, last
#ifndef VOSTREL_UI_EDIT_COLUMN_DIALOG_H_
#define VOSTREL_UI_EDIT_COLUMN_DIALOG_H_

#include <cstddef>

#include "library_tables/column_editing.h"
#include "library_tables/vtab_column.h"
#include "ui/dialog.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace ui {

class SqlEditor;

class EditColumnDialog : public Dialog {
  Q_OBJECT

 public:
  enum class Mode { kAdd, kEdit };

  // `list` is the page's list the OK goes into; it must outlive the dialog.
  // In edit mode `column` is a copy of list[index] (see setEditedIndex).
  EditColumnDialog(Mode mode, const library_tables::SQLiteMetaDBVTabColumn& column, library_tables::TableType type,
                   library_tables::VTabColumns& list, host::Host& host, QWidget* parent = nullptr);
  ~EditColumnDialog() override;

  // The index in the list of the column being edited (edit mode).
  void setEditedIndex(std::size_t index) { index_ = index; }

  // Shows the dialog modally; true when it ended with OK.
  bool run();

  QComboBox& typeBox() { return *type_; }
  QComboBox& nameList() { return *name_list_; }
  QLineEdit& nameEdit() { return *name_edit_; }
  QComboBox& collationBox() { return *collation_; }
  QLineEdit& tagNameEdit() { return *tag_name_; }
  QLineEdit& separatorEdit() { return *separator_; }
  QCheckBox& splitBox() { return *split_; }
  QLineEdit& associatedEdit() { return *associated_; }
  SqlEditor& expressionEdit() { return *expression_; }
  // The compile error of the expression as typed ("" when it compiles).
  QString expressionError() const;
  // Whether the predefined name list stands in the name row (else the free
  // name edit does).
  bool showsNameList() const;

 public slots:
  void accept() override;

 private:
  void buildLayout();
  void fillFromColumn();
  void showNameFieldForType();
  void updateEnableStates();
  void checkExpression();
  library_tables::EditorType editorType() const;

  Mode mode_;
  library_tables::SQLiteMetaDBVTabColumn column_;
  library_tables::TableType table_;
  library_tables::VTabColumns& list_;
  host::Host& host_;
  std::size_t index_ = 0;

  QComboBox* type_ = nullptr;
  QStackedWidget* name_row_ = nullptr;
  QComboBox* name_list_ = nullptr;
  QLineEdit* name_edit_ = nullptr;
  QComboBox* collation_ = nullptr;
  QGroupBox* tag_group_ = nullptr;
  QLineEdit* tag_name_ = nullptr;
  QLineEdit* separator_ = nullptr;
  QCheckBox* split_ = nullptr;
  QLineEdit* associated_ = nullptr;
  QGroupBox* expression_group_ = nullptr;
  SqlEditor* expression_ = nullptr;
  QLabel* expression_error_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_EDIT_COLUMN_DIALOG_H_
