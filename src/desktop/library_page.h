// LibraryPage: the "Library" page of the preferences dialog. The library is
// either one library file or a list of music folders that are scanned; the
// choice is stored in the player's settings, and libraryChanged() tells the
// program to take it at once. Choosing a file forgets the folders.
#ifndef VOSTREL_DESKTOP_LIBRARY_PAGE_H_
#define VOSTREL_DESKTOP_LIBRARY_PAGE_H_

#include <functional>
#include <string>
#include <vector>

#include "ui/preferences_page.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace player {
class Player;
}

namespace desktop {

class LibraryPage : public ui::PreferencesPage {
  Q_OBJECT

 public:
  explicit LibraryPage(player::Player& player, QWidget* parent = nullptr);
  ~LibraryPage() override;

  bool hasChanges() const override;
  bool apply() override;
  QString helpFile() const override;

  // Ask for a library file or a music folder ("" when cancelled). Tests
  // replace them.
  std::function<QString()> choose_file;
  std::function<QString()> choose_folder;

  void browseFile();
  void addFolder();
  void removeFolder();

  QRadioButton& fileChoice() { return *file_choice_; }
  QPushButton& addFolderButton() { return *add_folder_; }
  QRadioButton& foldersChoice() { return *folders_choice_; }
  QLineEdit& fileEdit() { return *file_; }
  QListWidget& folderList() { return *folders_; }

 signals:
  // A new choice was stored in the settings.
  void libraryChanged();

 private:
  struct Choice {
    bool folders = false;
    std::string file;
    std::vector<std::string> folder_list;
    bool operator==(const Choice&) const = default;
  };
  Choice current() const;
  void show(const Choice& choice);
  void updateStates();

  player::Player& player_;
  Choice stored_;
  QRadioButton* file_choice_ = nullptr;
  QRadioButton* folders_choice_ = nullptr;
  QLineEdit* file_ = nullptr;
  QPushButton* browse_ = nullptr;
  QListWidget* folders_ = nullptr;
  QPushButton* add_folder_ = nullptr;
  QPushButton* remove_folder_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_LIBRARY_PAGE_H_
