#include "desktop/desktop_app.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QSessionManager>

#include "component/registration.h"
#include "desktop/cover_loader.h"
#include "desktop/desktop_ui.h"
#include "desktop/main_window.h"
#include "desktop/mpris_service.h"
#include "desktop/multimedia_engine.h"
#include "desktop/panel_docks.h"
#include "desktop/playback_controller.h"
#include "desktop/player_signals.h"
#include "desktop/playlist_tabs.h"
#include "desktop/quit_signals.h"
#include "desktop/mpd_service.h"
#include "desktop/panel_widget.h"
#include "desktop/save_scheduler.h"
#include "mpd/server.h"
#include "library/library_source.h"
#include "profile/data_error.h"
#include "profile/layout.h"
#include "profile/resources.h"
#include "tree/panel.h"
#include "ui/accessibility.h"
#include "ui/console_window.h"
#include "ui/icon_list.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_panel.h"

namespace desktop {
namespace {

// The player's start-up stages: before the window (0), the component's icon
// list (50), after the window is shown (100).
constexpr int kStageBeforeWindow = 0;
constexpr int kStageWindowShown = 100;

}  // namespace

DesktopApp::DesktopApp(std::unique_ptr<player::Player> player, std::filesystem::path library_path,
                       std::optional<profile::ProfileLock> lock)
    : lock_(std::move(lock)),
      player_(std::move(player)),
      library_path_(std::move(library_path)),
      ui_(std::make_unique<DesktopUi>()),
      signals_(std::make_unique<PlayerSignals>(*player_)),
      playback_(std::make_unique<PlaybackController>(*player_, [] { return std::make_unique<MultimediaEngine>(); })) {
  // Before any window: assistive tools see the program's own interfaces.
  ui::installAccessibility();
  player_->setUi(ui_.get());
  ui_->setSettings(&player_->settings());
  playlist_saver_ = new SaveScheduler([this] { savePlaylists(); }, this);
  layout_saver_ = new SaveScheduler([this] { saveLayout(); }, this);
}

DesktopApp::~DesktopApp() {
  // The panels (and their nodes and connections) go first, while the player
  // they use is whole; the component forgets the host before it goes.
  watcher_.reset();
  mpd_.reset();
  mpd_panel_.reset();
  mpris_.reset();
  window_.reset();
  playback_.reset();
  component::unregisterComponent();
  player_->setUi(nullptr);
  signals_.reset();
}

void DesktopApp::start() {
  registry_.addComponent({"Framix", kPanelLayerVersion, "The player's dockable panels"});
  component::WindowHooks windows;
  windows.open_console = [this] {
    if (window_ != nullptr) window_->console().openWithScript({});
  };
  windows.create_icon_list = [this] {
    const auto strip = profile::resourceDir("data") / "icons.png";
    ui::IconList::instance().load(QString::fromStdString(strip.string()), player_->advancedSettings().icon_file_paths);
  };
  windows.destroy_icon_list = [] { ui::IconList::instance().clear(); };
  component::registerComponent(registry_, *player_, std::move(windows));
  // The player's own settings on the Advanced page.
  {
    using Kind = component::AdvancedSettingKind;
    const std::string branch = "6a0e2d4c-8f7b-4c1e-9a53-2b7d1f0c9e41";
    registry_.registerAdvancedSetting({branch, "", "Music server for MPD clients (from the next start)", 1,
                                       Kind::kBranch, "", "", ""});
    registry_.registerAdvancedSetting({"c3b1f6a2-5d4e-4f8a-b2c7-9e0d1a3f5b68", branch,
                                       "Port for MPD clients (0: off)", 0, Kind::kUnsigned, "mpd_port", "0", ""});
    registry_.registerAdvancedSetting({"8e5d2b7f-1a9c-4e36-8d40-f7c2b6a1e953", branch, "Password for MPD clients", 1,
                                       Kind::kSecret, "mpd_password", "", ""});
  }
  registry_.runInit();
  registry_.runInitStage(kStageBeforeWindow);
  registry_.runInitStage(component::kIconListStage);

  window_ = std::make_unique<MainWindow>(*player_, registry_, *ui_, *signals_);
  ui_->setMainWindow(window_.get());
  window_->setLibraryPath(QString::fromStdString(library_path_.string()));
  std::vector<std::string> folder_names;
  for (const std::filesystem::path& folder : music_folders_) folder_names.push_back(folder.string());
  window_->setMusicFolders(std::move(folder_names));
  connect(window_.get(), &MainWindow::quitRequested, this, &DesktopApp::requestQuit);
  connect(window_.get(), &MainWindow::rescanRequested, this, &DesktopApp::rescanLibrary);
  connect(window_.get(), &MainWindow::librarySettingsChanged, this, &DesktopApp::applyLibrarySettings);
  connect(window_.get(), &MainWindow::libraryOpened, this, [this](const QString& path) {
    // A library file in place of the music folders.
    watcher_.reset();
    music_folders_.clear();
    window_->setMusicFolders({});
    window_->setScanning(false);
    library_path_ = path.toStdString();
    // Kept for the next start too: music folders would win over the file.
    player_->settings().setLastLibrary(path.toStdString());
    player_->settings().setMusicFolders({});
    try {
      player_->settings().save();
    } catch (const std::exception& e) {
      player_->consoleLine(std::string("[vostrel] ") + e.what());
    }
  });
  connect(&window_->panels(), &PanelDocks::panelsChanged, layout_saver_, &SaveScheduler::schedule);
  connect(&window_->playlistTabs(), &PlaylistTabs::columnsChanged, layout_saver_, &SaveScheduler::schedule);
  window_->attachPlayback(*playback_);
  connectNotifications();

  window_->restoreLayout(readLayout());
  window_->show();
  registry_.setPhase(component::HostPhase::kRunning);
  registry_.runInitStage(kStageWindowShown);
  mpris_ = MprisService::publish(*playback_, [this] {
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
  }, [this] { requestQuit(); });
  if (mpris_ != nullptr) mpris_->setCovers(&window_->covers());
  if (!music_folders_.empty()) watchMusicFolders(LibraryWatcher::FirstScan::kKeepUnlessChanged);
  startMpdServer();

  // New panels have stored their trees: their root ids go into the layout
  // now, and playlists taken from the library file into the profile.
  layout_saver_->flush();
  saveLayout();
  if (player_->playlistsSeeded()) savePlaylists();

  quit_signals_ = new QuitSignals(this);
  connect(quit_signals_, &QuitSignals::quitRequested, this, &DesktopApp::requestQuit);
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // A session that ends may kill the program without a quit: save first.
    connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
      saveLayout();
      savePlaylists();
    });
  }
  // An event loop ended by someone else than requestQuit() (the session
  // closing the application): the layout is saved while the window is whole.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
    if (!quitting_) saveLayout();
  });
}

void DesktopApp::connectNotifications() {
  auto repaint_panels = [this] {
    PanelDocks& panels = window_->panels();
    for (std::size_t i = 0; i < panels.count(); ++i) panels.widget(i)->view()->viewport()->update();
  };
  connect(signals_.get(), &PlayerSignals::playlistEvent, this,
          [this, repaint_panels](const player::PlaylistChange& change) {
            registry_.notifyPlaylist(change.event);
            repaint_panels();
            // The focus is not saved: moving it writes nothing.
            if (change.event != host::PlaylistEvent::kItemFocusChanged) playlist_saver_->schedule();
          });
  connect(signals_.get(), &PlayerSignals::playbackEvent, playlist_saver_, &SaveScheduler::schedule);
  connect(signals_.get(), &PlayerSignals::playbackEvent, this, [this] { registry_.notifyPlayback(); });
  connect(signals_.get(), &PlayerSignals::libraryEvent, this, [this, repaint_panels](host::LibraryEvent event) {
    registry_.notifyLibrary(event);
    repaint_panels();
  });
  connect(signals_.get(), &PlayerSignals::trackInfoEvent, this, [this, repaint_panels] {
    registry_.notifyTrackInfo();
    repaint_panels();
  });
}

void DesktopApp::startMpdServer() {
  const std::string port = player_->settings().get("mpd_port");
  if (port == "0" || window_->panels().count() == 0) return;
  PanelWidget* widget = window_->panels().widget(0);
  mpd_panel_ = widget->holdPanel();
  mpd_ = std::make_unique<MpdService>(*player_, widget->panel(), *playback_, player_->settings().get("mpd_password"));
  const std::string where = "127.0.0.1 port " + port;
  try {
    mpd_->listen("127.0.0.1", static_cast<uint16_t>(std::stoul(port)));
    ui_->consoleLine("[vostrel] MPD clients can connect to " + where);
  } catch (const mpd::ServerError& e) {
    ui_->consoleLine(std::string("[vostrel] The server for MPD clients cannot start: ") + e.what());
    mpd_.reset();
    mpd_panel_.reset();
  }
}

profile::Layout DesktopApp::readLayout() {
  const std::filesystem::path file = player_->profile().layoutFile();
  try {
    return profile::loadLayout(file);
  } catch (const profile::DataError& e) {
    // Keep the damaged file for the user; the program starts with new panels.
    std::filesystem::path kept = file;
    kept += ".damaged";
    std::error_code ec;
    std::filesystem::rename(file, kept, ec);
    ui_->popupMessage(std::string(e.what()) + "\nIt was kept as " + kept.string() + "; the panels start afresh.",
                      host::kComponentFileName);
    return {};
  }
}

void DesktopApp::saveLayout() {
  if (window_ == nullptr) return;
  try {
    profile::saveLayout(player_->profile().layoutFile(), window_->layout());
  } catch (const std::exception& e) {
    player_->consoleLine(std::string("[vostrel] The layout could not be saved: ") + e.what());
  }
}

void DesktopApp::savePlaylists() {
  try {
    player_->save();
  } catch (const std::exception& e) {
    player_->consoleLine(std::string("[vostrel] The playlists could not be saved: ") + e.what());
  }
}

library::LibrarySource DesktopApp::librarySource() const {
  library::LibrarySource source;
  if (watcher_ != nullptr) {
    source.folders = watcher_->folders();
  } else {
    source.file = library_path_;
  }
  return source;
}

void DesktopApp::rescanLibrary() {
  if (watcher_ != nullptr) {
    watcher_->rescan();
  } else if (window_ != nullptr) {
    window_->loadLibraryFile(QString::fromStdString(library_path_.string()));
  }
}

void DesktopApp::watchMusicFolders(LibraryWatcher::FirstScan first) {
  // A scan of the old folders is cancelled; what it read stays cached.
  watcher_.reset();
  window_->setScanning(false);
  watcher_ = std::make_unique<LibraryWatcher>(*player_, player_->profile().dir(), music_folders_);
  connect(watcher_.get(), &LibraryWatcher::scanningChanged, window_.get(), &MainWindow::setScanning);
  watcher_->start(first);
}

void DesktopApp::applyLibrarySettings() {
  if (window_ == nullptr) return;
  // What the preferences just stored wins over $VOSTREL_LIBRARY, which
  // only chooses the library a start begins with.
  const profile::SettingsStore& settings = player_->settings();
  std::vector<std::string> chosen = settings.musicFolders();
  if (chosen.empty()) {
    const std::optional<std::string> last = settings.lastLibrary();
    chosen.push_back(last && !last->empty() ? *last : (profile::resourceDir("data") / "demo-library.json").string());
  }
  library::LibrarySource source;
  try {
    source = library::chooseLibrarySource(chosen, settings, {});
  } catch (const profile::DataError& e) {
    player_->messageBox(e.what(), "Library");
    return;
  }
  std::vector<std::string> folder_names;
  for (const std::filesystem::path& folder : source.folders) folder_names.push_back(folder.string());
  window_->setMusicFolders(folder_names);
  if (source.isFolders()) {
    music_folders_ = source.folders;
    library_path_ = music_folders_.front();
    window_->setLibraryPath(QString::fromStdString(library_path_.string()));
    watchMusicFolders(LibraryWatcher::FirstScan::kReplaceLibrary);
    return;
  }
  watcher_.reset();
  window_->setScanning(false);
  music_folders_.clear();
  if (window_->loadLibraryFile(QString::fromStdString(source.file.string()))) library_path_ = source.file;
}

tree::Panel* DesktopApp::panel(int number) {
  if (window_ == nullptr || number < 1) return nullptr;
  PanelDocks& panels = window_->panels();
  const auto index = static_cast<std::size_t>(number - 1);
  return index < panels.count() ? &panels.widget(index)->panel() : nullptr;
}

void DesktopApp::requestQuit() {
  if (quitting_) return;
  quitting_ = true;
  emit quitStarted();
  saveLayout();
  // A statement running under a nested event dispatch ends early, so that
  // the event loop can return.
  ui::TreePanel::abortAllQueries();
  if (window_ != nullptr) window_->abortConsole();
  QCoreApplication::quit();
}

void DesktopApp::shutDown() {
  if (shut_down_) return;
  shut_down_ = true;
  // No client changes anything once quitting has begun.
  mpd_.reset();
  mpd_panel_.reset();
  layout_saver_->flush();
  playlist_saver_->cancel();
  registry_.setPhase(component::HostPhase::kShuttingDown);
  registry_.runQuit();
  savePlaylists();
  if (!quitting_) saveLayout();
}

}  // namespace desktop
