// PreferencesDialog: the player's preferences. A tree of pages on the left
// (the player's "Library" and "Advanced", then each branch the components
// registered with its pages), the chosen page on the right, and OK, Cancel,
// Apply and Help below. Apply is enabled while the shown page has changes
// and stores that page's; OK stores every page's changes and closes, unless
// a page refuses, which is then shown. Help opens the shown page's help
// file.
//
//   PreferencesDialog dialog(player, registry, [&](const QString& file) { return ui.openHelpFile(file); });
//   dialog.exec();
#ifndef VOSTREL_DESKTOP_PREFERENCES_DIALOG_H_
#define VOSTREL_DESKTOP_PREFERENCES_DIALOG_H_

#include <functional>
#include <vector>

#include <QDialog>

class QDialogButtonBox;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace component {
class Registry;
}

namespace player {
class Player;
}

namespace ui {
class PreferencesPage;
}

namespace desktop {

class LibraryPage;

class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  // `open_help` opens a file of the help folder; it returns "" when it
  // could, else the message that says why not.
  PreferencesDialog(player::Player& player, const component::Registry& registry,
                    std::function<QString(const QString& file)> open_help, QWidget* parent = nullptr);
  ~PreferencesDialog() override;

  // Shows the page named `name` (a tree entry's text); false when none is.
  bool showPage(const QString& name);
  // The page shown; nullptr for a branch.
  ui::PreferencesPage* currentPage() const;

  void applyCurrent();
  void help();

  QTreeWidget& tree() { return *tree_; }
  LibraryPage& libraryPage() { return *library_page_; }
  QPushButton& okButton();
  QPushButton& cancelButton();
  QPushButton& applyButton();
  QPushButton& helpButton();

 public slots:
  void accept() override;

 private:
  void addPage(QTreeWidgetItem* item, QWidget* page);
  void updateButtons();

  player::Player& player_;
  std::function<QString(const QString&)> open_help_;
  QTreeWidget* tree_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  std::vector<ui::PreferencesPage*> pages_;
  LibraryPage* library_page_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PREFERENCES_DIALOG_H_
