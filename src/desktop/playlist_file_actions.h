// File > "Open playlist..." and "Save playlist as...": a playlist file read
// into a new playlist named after it, and the current playlist written to a
// file in the format its extension names (M3U, M3U8, PLS, XSPF).
//
// Both go through the player's playlist operations, so the window's tabs
// and everything else that follows the player's events see the change. A
// file that cannot be read adds nothing and is reported with its name and
// line.
#ifndef VOSTREL_DESKTOP_PLAYLIST_FILE_ACTIONS_H_
#define VOSTREL_DESKTOP_PLAYLIST_FILE_ACTIONS_H_

#include <QObject>
#include <QString>

#include "player/player.h"

class QAction;
class QMainWindow;
class QMenu;

namespace desktop {

class DesktopUi;
class PlayerSignals;

class PlaylistFileActions : public QObject {
  Q_OBJECT

 public:
  PlaylistFileActions(player::Player& player, DesktopUi& ui, PlayerSignals& player_signals, QMainWindow& window);

  // Adds "Open playlist..." and "Save playlist as..." to `menu`.
  void addTo(QMenu& menu);
  QAction& openAction() { return *open_; }
  QAction& saveAction() { return *save_; }

  // Reads `path` into a new playlist and shows it. False, with a message,
  // when the file cannot be read.
  bool openPlaylist(const QString& path);
  // Writes the active playlist to `path`. False, with a message, when the
  // extension names no playlist format or the file cannot be written.
  bool savePlaylist(const QString& path);

  // The file dialogs' filters; the save dialog's in the order of
  // player::PlaylistFormat.
  static QString openFilter();
  static QStringList saveFilters();

 private:
  void chooseAndOpen();
  void chooseAndSave();
  void updateEnabled();

  player::Player& player_;
  DesktopUi& ui_;
  QMainWindow& window_;
  QAction* open_;
  QAction* save_;
  QString folder_;  // where the last playlist file was opened or saved
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_FILE_ACTIONS_H_
