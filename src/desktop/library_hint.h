// LibraryHint: the bar above the playlists that a user with an empty
// library sees. It says how to add music and offers a button that opens
// the Library page of the preferences; while the music folders are read,
// it says that instead. Hidden while the library has tracks.
#ifndef VOSTREL_DESKTOP_LIBRARY_HINT_H_
#define VOSTREL_DESKTOP_LIBRARY_HINT_H_

#include <cstddef>
#include <string>
#include <vector>

#include <QFrame>

class QLabel;
class QPushButton;

namespace desktop {

class LibraryHint : public QFrame {
  Q_OBJECT

 public:
  explicit LibraryHint(QWidget* parent = nullptr);

  // Shows the bar for a library of `tracks` tracks from `music_folders`
  // (none: a library file), which are being read while `scanning`.
  void showFor(std::size_t tracks, const std::vector<std::string>& music_folders, bool scanning);

  QLabel& text() { return *text_; }
  QPushButton& addMusicButton() { return *add_music_; }

 signals:
  // The user asked for the Library page.
  void addMusicRequested();

 private:
  QLabel* icon_ = nullptr;
  QLabel* text_ = nullptr;
  QPushButton* add_music_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_LIBRARY_HINT_H_
