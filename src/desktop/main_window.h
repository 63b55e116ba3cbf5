// MainWindow: the player's main window. It wires the parts together and
// holds no logic of its own: the playlists as tabs in the centre, the tree
// panels in docks, the log in a dock, the status bar, and the menus
//
//   File      Open library file..., Quit
//   View      New Vostrel panel, Log, Rescan library
//   Playback  Play, Pause, Stop, Next, Previous (once playback is attached)
//   Tools     the main-menu commands the component registered, Preferences...
//   Help      Vostrel help, About Vostrel
#ifndef VOSTREL_DESKTOP_MAIN_WINDOW_H_
#define VOSTREL_DESKTOP_MAIN_WINDOW_H_

#include <QMainWindow>

#include "player/player.h"
#include "profile/layout.h"

class QDockWidget;
class QLabel;
class QPlainTextEdit;

namespace component {
class Registry;
}

namespace ui {
class ConsoleWindow;
}

namespace desktop {

class DesktopUi;
class PanelDocks;
class PlaybackController;
class PlayerSignals;
class PlaylistTabs;
class TransportBar;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(player::Player& player, component::Registry& registry, DesktopUi& ui, PlayerSignals& player_signals,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  PlaylistTabs& playlistTabs() { return *tabs_; }
  PanelDocks& panels() { return *panels_; }
  QDockWidget& logDock() { return *log_dock_; }
  QPlainTextEdit& log() { return *log_; }
  // The Vostrel console, made on first use.
  ui::ConsoleWindow& console();
  // Shows the preferences dialog (modal).
  void showPreferences();
  // Stops the console's run, if one is going on.
  void abortConsole();

  // Adds the transport tool bar and the Playback menu's commands, and shows
  // what plays in the status bar. Before restoreLayout(), so that the tool
  // bar takes its stored place.
  void attachPlayback(PlaybackController& playback);
  TransportBar* transportBar() { return transport_; }

  // The library file shown in the status bar.
  void setLibraryPath(const QString& path);
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
  bool openLibrary(const QString& path);

 signals:
  // The user asked to quit (Quit, or closing the window).
  void quitRequested();
  // A library file was opened.
  void libraryOpened(const QString& path);
  // The user asked to read the library again (View > Rescan library).
  void rescanRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void chooseLibrary();
  void showAbout();
  void updateStatus();

  player::Player& player_;
  component::Registry& registry_;
  DesktopUi& ui_;
  PlaylistTabs* tabs_ = nullptr;
  PanelDocks* panels_ = nullptr;
  QDockWidget* log_dock_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QLabel* tracks_label_ = nullptr;  // the library's count
  QLabel* library_label_ = nullptr;
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
