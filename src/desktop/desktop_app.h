// DesktopApp: the desktop program around one live player. It owns the
// player, the profile's lock, the registry the component registered into,
// and the main window with its panels; it runs the start-up and shut-down
// sequence and saves what the user must not lose.
//
//   QApplication qt(argc, argv);
//   desktop::DesktopApp app(std::move(player), library_path, std::move(lock));
//   app.start();
//   qt.exec();
//   app.shutDown();
//
// Saving: playlists within a second of every change (and at quit); the
// layout (panels, geometry, dock state) at start, within a second of a
// panel change, at quit and when the session asks for it.
//
// Running a command against the live program: player() is the player the
// windows show, and panel(N) is panel N of the layout as the commands
// number them, so a command's work can run here instead of on a second
// player over the same profile; changes made through player() reach the
// tabs and are saved like the user's own.
#ifndef VOSTREL_DESKTOP_DESKTOP_APP_H_
#define VOSTREL_DESKTOP_DESKTOP_APP_H_

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>

#include "component/registry.h"
#include "desktop/library_watcher.h"
#include "library/library_source.h"
#include "player/player.h"
#include "profile/layout.h"
#include "profile/profile_lock.h"

namespace tree {
class Panel;
}

namespace desktop {

class DesktopUi;
class MainWindow;
class MpdService;
class MprisService;
class PlaybackController;
class PlayerSignals;
class QuitSignals;
class SaveScheduler;

class DesktopApp : public QObject {
  Q_OBJECT

 public:
  // The version the player reports for its own panel layer.
  static constexpr const char* kPanelLayerVersion = "0.4.0";

  // REQUIRES: a QApplication exists. `lock` is the profile's lock, held
  // until the app is destroyed (tests may pass none).
  DesktopApp(std::unique_ptr<player::Player> player, std::filesystem::path library_path,
             std::optional<profile::ProfileLock> lock);
  ~DesktopApp() override;

  // The library comes from these music folders (from the cache, at
  // first): start() watches them and rescans them in the background.
  // REQUIRES: before start().
  void setMusicFolders(std::vector<std::filesystem::path> folders) { music_folders_ = std::move(folders); }

  // Registers the component, runs its start-up hooks, makes the main window
  // with the stored layout and shows it.
  void start();
  // Reads the library again: rescans the music folders, or rereads the
  // library file.
  void rescanLibrary();
  // Takes the library the settings choose now (after the preferences
  // stored a new choice): music folders are watched and scanned in the
  // background, and the library they hold replaces the current one when
  // the scan is done; a library file (or, with neither, the demo library)
  // is read at once.
  void applyLibrarySettings();
  // Asks the program to quit (Quit, closing the window, SIGTERM, SIGINT):
  // saves the layout, interrupts running statements and ends the event
  // loop. The rest happens in shutDown().
  void requestQuit();
  // After the event loop: the shut-down hooks (with every panel still
  // open), then the final saves. Runs once.
  void shutDown();

  // Writes layout.json / playlists.json now; failures go to the log.
  void saveLayout();
  void savePlaylists();

  player::Player& player() { return *player_; }
  MainWindow& mainWindow() { return *window_; }
  DesktopUi& ui() { return *ui_; }
  // Plays what the player's playing item is; tests give it a fake engine
  // before anything plays.
  PlaybackController& playback() { return *playback_; }
  // The media-player service on the session bus; nullptr without a bus.
  MprisService* mpris() { return mpris_.get(); }
  // The server for MPD clients (while mpd_port is not 0); nullptr when off.
  MpdService* mpdService() { return mpd_.get(); }
  // Keeps the music folders' library current; nullptr for a library file.
  LibraryWatcher* libraryWatcher() { return watcher_.get(); }
  // What the library comes from now: the watched music folders, or the
  // library file.
  library::LibrarySource librarySource() const;
  component::Registry& registry() { return registry_; }
  // Panel `number` (1-based, layout order), or nullptr.
  tree::Panel* panel(int number);
  bool quitting() const { return quitting_; }

 signals:
  void quitStarted();

 private:
  void connectNotifications();
  // Watches music_folders_ with a new watcher.
  void watchMusicFolders(LibraryWatcher::FirstScan first);
  profile::Layout readLayout();
  // Serves panel 1 to MPD clients on 127.0.0.1 when the setting mpd_port
  // is not 0; a port that cannot be used is reported in the log.
  void startMpdServer();

  std::optional<profile::ProfileLock> lock_;
  std::unique_ptr<player::Player> player_;
  std::filesystem::path library_path_;
  component::Registry registry_;
  std::unique_ptr<DesktopUi> ui_;
  std::unique_ptr<PlayerSignals> signals_;
  std::unique_ptr<PlaybackController> playback_;
  std::unique_ptr<MprisService> mpris_;
  std::unique_ptr<MpdService> mpd_;
  std::shared_ptr<void> mpd_panel_;  // keeps the served panel while clients may browse it
  std::vector<std::filesystem::path> music_folders_;
  std::unique_ptr<LibraryWatcher> watcher_;
  std::unique_ptr<MainWindow> window_;
  SaveScheduler* playlist_saver_ = nullptr;
  SaveScheduler* layout_saver_ = nullptr;
  QuitSignals* quit_signals_ = nullptr;
  bool quitting_ = false;
  bool shut_down_ = false;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_DESKTOP_APP_H_
