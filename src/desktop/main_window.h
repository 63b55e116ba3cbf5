// MainWindow: the player's main window. It wires the parts together and
// holds no logic of its own: the playlists as tabs in the centre, the tree
// panels in docks, the log in a dock, the status bar, and the menus; above
// the playlists, a hint on adding music while the library is empty. A
// failure that reaches the log shows in the status bar for a while; while
// the log is out of view, View > Log and a button in the status bar count
// the failures it holds.
//
//   File      Open library file..., Open playlist..., Save playlist as..., Quit
//   Edit      Undo, Redo (of playlist changes, naming them)
//   View      New Vostrel panel, Log, Cover, Rescan library
//   Playback  Play, Pause, Stop, Next, Previous (once playback is attached)
//   Tools     the main-menu commands the component registered, Preferences...
//   Help      Vostrel help, About Vostrel
#ifndef VOSTREL_DESKTOP_MAIN_WINDOW_H_
#define VOSTREL_DESKTOP_MAIN_WINDOW_H_

#include <QMainWindow>

#include "desktop/log_dock.h"
#include "player/player.h"
#include "profile/layout.h"

class QDockWidget;
class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace component {
class Registry;
}

namespace ui {
class ConsoleWindow;
}

namespace desktop {

class CoverDock;
class CoverLoader;
class DesktopUi;
class LibraryHint;
class PanelDocks;
class PlaybackController;
class PlayerSignals;
class PlaylistFileActions;
class PlaylistTabs;
class TransportBar;
class UndoHistory;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(player::Player& player, component::Registry& registry, DesktopUi& ui, PlayerSignals& player_signals,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  PlaylistTabs& playlistTabs() { return *tabs_; }
  PlaylistFileActions& playlistFiles() { return *playlist_files_; }
  UndoHistory& undoHistory() { return *undo_; }
  PanelDocks& panels() { return *panels_; }
  LogDock& logDock() { return *log_dock_; }
  // The covers of tracks, and the dock that shows the one in view.
  CoverLoader& covers() { return *covers_; }
  CoverDock& coverDock() { return *cover_dock_; }
  QPlainTextEdit& log();
  // The status bar's button that counts the failures logged while the log
  // was out of view, and opens it; hidden when there are none.
  QToolButton& failuresButton() { return *failures_button_; }
  // View > Log: checked while the log is open; it closes the log when it
  // is in view, and brings it into view when it is not.
  QAction& logAction() { return *log_action_; }
  // Brings the log into view.
  void showLog();
  // The Vostrel console, made on first use.
  ui::ConsoleWindow& console();
  // Shows the preferences dialog (modal) on the page named `page` (the
  // first page when empty).
  void showPreferences(const QString& page = {});
  // Stops the console's run, if one is going on.
  void abortConsole();

  // Adds the transport tool bar and the Playback menu's commands, and shows
  // what plays in the status bar. Before restoreLayout(), so that the tool
  // bar takes its stored place.
  void attachPlayback(PlaybackController& playback);
  TransportBar* transportBar() { return transport_; }

  // The library file or first music folder shown in the status bar.
  void setLibraryPath(const QString& path);
  // The music folders the library comes from (none for a library file),
  // named by the empty library's hint.
  void setMusicFolders(std::vector<std::string> folders);
  // The music folders are being read: the status bar and the empty
  // library's hint say so.
  void setScanning(bool scanning);
  LibraryHint& libraryHint() { return *library_hint_; }
  // The status bar's summary of the active playlist (see playlist_summary.h).
  QString playlistSummaryText() const;
  // A lasting warning in the status bar: `text`, with `details` as its tip.
  void showWarning(const QString& text, const QString& details);
  // The warning's details; empty when there is none.
  QString warning() const;

  // The panels' settings records, the geometry and the dock state.
  profile::Layout layout();
  // Makes the layout's panels (one new panel when it has none) and restores
  // the geometry and the dock state.
  void restoreLayout(const profile::Layout& layout);

  // Replaces the library with the file at `path`; false (and a message)
  // when it cannot be read.
  bool loadLibraryFile(const QString& path);
  // The same, for a file the user opened: libraryOpened() follows.
  bool openLibrary(const QString& path);

 signals:
  // The user asked to quit (Quit, or closing the window).
  void quitRequested();
  // A library file was opened.
  void libraryOpened(const QString& path);
  // The preferences stored another library choice.
  void librarySettingsChanged();
  // The user asked to read the library again (View > Rescan library).
  void rescanRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildMenus();
  void chooseLibrary();
  void showAbout();
  void updateStatus();
  void showFailure(const QString& summary);
  void markUnseenFailures(int count);

  player::Player& player_;
  component::Registry& registry_;
  DesktopUi& ui_;
  PlaylistTabs* tabs_ = nullptr;
  PlaylistFileActions* playlist_files_ = nullptr;
  UndoHistory* undo_ = nullptr;
  PanelDocks* panels_ = nullptr;
  LogDock* log_dock_ = nullptr;
  CoverLoader* covers_ = nullptr;
  CoverDock* cover_dock_ = nullptr;
  QAction* log_action_ = nullptr;
  QToolButton* failures_button_ = nullptr;
  QLabel* tracks_label_ = nullptr;  // the library's count
  QLabel* library_label_ = nullptr;
  QString library_path_;
  std::vector<std::string> music_folders_;
  bool scanning_ = false;
  LibraryHint* library_hint_ = nullptr;
  QLabel* playback_label_ = nullptr;
  QLabel* playlist_label_ = nullptr;  // the active playlist's count and length
  QLabel* warning_label_ = nullptr;
  ui::ConsoleWindow* console_ = nullptr;
  QMenu* playback_menu_ = nullptr;
  PlaybackController* playback_ = nullptr;
  TransportBar* transport_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_MAIN_WINDOW_H_
