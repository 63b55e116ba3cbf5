// PropertySheetDialog: a dialog of pages on tabs with OK and Cancel. OK asks
// the subclass to take the values of every page; it may refuse, then the
// sheet stays open on the page the subclass has chosen.
//
//   class QuerySheetDialog : public ui::PropertySheetDialog {
//     bool acceptSheet() override;   // false: setCurrentPage(kQueryPage)
//   };
#ifndef VOSTREL_UI_PROPERTY_SHEET_DIALOG_H_
#define VOSTREL_UI_PROPERTY_SHEET_DIALOG_H_

#include "ui/dialog.h"

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace ui {

class PropertySheetDialog : public Dialog {
  Q_OBJECT

 public:
  explicit PropertySheetDialog(QWidget* parent = nullptr);

  // Appends `page` (the sheet takes it) on a tab titled `title`; returns its
  // index.
  int addPage(QWidget* page, const QString& title);
  void setCurrentPage(int index);
  int currentPage() const;
  // The page at `index`, null when there is none.
  QWidget* page(int index) const;
  int pageCount() const;

  QTabWidget& tabs() const { return *tabs_; }
  QPushButton& okButton() const;
  QPushButton& cancelButton() const;

  // OK: closes with OK when acceptSheet() agrees.
  void accept() override;

 protected:
  // Takes the values of every page. Returning false keeps the sheet open.
  virtual bool acceptSheet() { return true; }

 private:
  QTabWidget* tabs_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_PROPERTY_SHEET_DIALOG_H_
