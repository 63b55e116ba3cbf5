// IconSelectorDialog: "Select icon", a grid of every icon of the shared icon
// list, each labelled with its number (index plus 1), in the colours of the
// panel it is opened for. OK takes the selected icon; with nothing selected
// the icon stays as it was. The window's size is remembered together with
// the console's.
//
//   ui::IconSelectorDialog selector(attributes.icon, background, text, parent);
//   if (selector.runModal()) attributes.icon = selector.chosenIcon();
#ifndef VOSTREL_UI_ICON_SELECTOR_DIALOG_H_
#define VOSTREL_UI_ICON_SELECTOR_DIALOG_H_

#include <QColor>

#include "ui/dialog.h"

class QListWidget;
class QPushButton;

namespace ui {

class IconSelectorDialog : public Dialog {
  Q_OBJECT

 public:
  IconSelectorDialog(int current, QColor background, QColor text, QWidget* parent = nullptr);

  // The icon taken on OK; the one the dialog was opened with until then, and
  // after an OK with no valid selection.
  int chosenIcon() const { return chosen_; }

  QListWidget& list() const { return *list_; }
  QPushButton& okButton() const { return *ok_; }
  QPushButton& cancelButton() const { return *cancel_; }

  void accept() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void fill();

  int chosen_;
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_ICON_SELECTOR_DIALOG_H_
