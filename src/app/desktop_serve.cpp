#include "app/desktop_serve.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <sstream>

#include "app/cli.h"
#include "app/command_env.h"
#include "app/working_folder.h"
#include "mpd/server.h"
#include "profile/data_error.h"
#include "profile/layout.h"

#ifdef VOSTREL_HAVE_GUI
#include <QCoreApplication>

#include "component/registration.h"
#include "component/registry.h"
#include "desktop/command_server.h"
#include "desktop/library_watcher.h"
#include "desktop/mpd_service.h"
#include "desktop/multimedia_engine.h"
#include "desktop/playback_controller.h"
#include "desktop/player_signals.h"
#include "desktop/quit_signals.h"
#include "desktop/save_scheduler.h"
#include "tree/panel.h"
#include "tree/tree_loader.h"
#endif

namespace app {

CLI::App* addServeCommand(CLI::App& cli, ServeOptions& options) {
  CLI::App* serve = cli.add_subcommand(
      "serve", "Run the player without a window, as a music server for MPD clients, until SIGTERM or SIGINT");
  serve->add_option("--mpd-port", options.port, "TCP port (default: the mpd_port setting, else 6600)")
      ->type_name("N")
      ->check(CLI::Range(1, 65535));
  serve->add_option("--mpd-address", options.address,
                    "Address to listen on (default 127.0.0.1; another one needs the mpd_password setting)")
      ->type_name("ADDR");
  return serve;
}

#ifdef VOSTREL_HAVE_GUI

namespace {

// The headless program: the player, the panels of the layout that commands
// and clients use, playback and the music server.
class ServeApp final : public player::PlayerListener {
 public:
  ServeApp(std::unique_ptr<player::Player> player, std::optional<profile::ProfileLock> lock)
      : player_(std::move(player)), lock_(std::move(lock)) {
    player_->addListener(this);
    registry_.addComponent({"Framix", "0.4.0", "The player's dockable panels"});
    component::registerComponent(registry_, *player_, {});
    registry_.runInit();
    registry_.setPhase(component::HostPhase::kRunning);
    layout_ = profile::loadLayout(player_->profile().layoutFile());
    if (layout_.panels.empty()) layout_.panels.emplace_back();
    playback_ = std::make_unique<desktop::PlaybackController>(
        *player_, [] { return std::make_unique<desktop::MultimediaEngine>(); });
  }

  ~ServeApp() override {
    panels_.clear();
    playback_.reset();
    registry_.setPhase(component::HostPhase::kShuttingDown);
    registry_.runQuit();
    component::unregisterComponent();
    player_->removeListener(this);
  }

  player::Player& player() { return *player_; }
  desktop::PlaybackController& playback() { return *playback_; }
  std::size_t panelCount() const { return std::max(panels_.size(), layout_.panels.size()); }

  // Panel `number` (from 1), made and loaded when first asked for; the one
  // after the last is added to the layout. nullptr when it cannot load.
  tree::Panel* panel(int number) {
    const auto index = static_cast<std::size_t>(number - 1);
    if (index < panels_.size() && panels_[index]) return panels_[index].get();
    if (index > layout_.panels.size()) return nullptr;
    if (index == layout_.panels.size()) layout_.panels.emplace_back();
    if (panels_.size() <= index) panels_.resize(index + 1);
    auto panel = std::make_unique<tree::Panel>(*player_, tree::UiAttributes{});
    panel->readSettings(layout_.panels[index]);
    if (!panel->open() || !tree::loadTree(*panel)) {
      player_->popupMessage("Unable to populate tree.", host::kComponentFileName);
      return nullptr;
    }
    panels_[index] = std::move(panel);
    saveLayout();
    return panels_[index].get();
  }

  void saveLayout() {
    bool changed = false;
    for (std::size_t i = 0; i < panels_.size(); ++i) {
      if (!panels_[i]) continue;
      std::vector<uint8_t> settings = panels_[i]->writeSettings();
      if (settings != layout_.panels[i]) {
        layout_.panels[i] = std::move(settings);
        changed = true;
      }
    }
    if (changed) profile::saveLayout(player_->profile().layoutFile(), layout_);
  }

  bool busy() const {
    for (const auto& panel : panels_) {
      if (panel && (panel->database().IsBusy() || panel->queryActive())) return true;
    }
    return false;
  }

  // player::PlayerListener: the component's notifications, as the desktop
  // program passes them on.
  void playlistChanged(const player::PlaylistChange& change) override { registry_.notifyPlaylist(change.event); }
  void libraryChanged(host::LibraryEvent event) override { registry_.notifyLibrary(event); }
  void trackInfoChanged() override { registry_.notifyTrackInfo(); }
  void playbackChanged() override { registry_.notifyPlayback(); }

 private:
  std::unique_ptr<player::Player> player_;
  std::optional<profile::ProfileLock> lock_;
  component::Registry registry_;
  profile::Layout layout_;
  std::vector<std::unique_ptr<tree::Panel>> panels_;
  std::unique_ptr<desktop::PlaybackController> playback_;
};

// A command sent to the server: its output is sent back when it ends.
class ServeEnv final : public CommandEnv {
 public:
  ServeEnv(ServeApp& app, const profile::CommandRequest& request, std::optional<library::LibrarySource> source)
      : app_(app), in_(request.input.value_or(std::string())), source_(std::move(source)) {}
  std::ostream& out() override { return out_; }
  std::ostream& err() override { return err_; }
  std::istream& in() override { return in_; }
  bool outIsTerminal() const override { return false; }
  bool live() const override { return true; }
  bool takeInterrupt() override { return false; }
  player::Player* livePlayer() override { return &app_.player(); }
  std::optional<library::LibrarySource> liveLibrarySource() override { return source_; }
  std::optional<std::size_t> livePanelCount() override { return app_.panelCount(); }
  tree::Panel* livePanel(int number) override { return app_.panel(number); }

  void send(desktop::CommandReply& reply) {
    if (!out_.str().empty()) reply.write(profile::FrameType::kStdout, out_.str());
    if (!err_.str().empty()) reply.write(profile::FrameType::kStderr, err_.str());
  }

 private:
  ServeApp& app_;
  std::ostringstream out_;
  std::ostringstream err_;
  std::istringstream in_;
  std::optional<library::LibrarySource> source_;
};

}  // namespace

int runServeCommand(CommandEnv& env, const GlobalOptions& global, const ServeOptions& options, int argc,
                    char** argv) {
  if (env.live()) {
    env.err() << "serve: this profile is already served by a running program\n";
    return kExitBadInput;
  }
  QCoreApplication qt(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vostrel"));
  std::unique_ptr<ServeApp> app;
  library::LibrarySource source;
  try {
    std::optional<profile::ProfileLock> lock(lockProfile(global, profile::kLockKindDesktop));
    std::unique_ptr<player::Player> player = openPlayer(global, /*rescan=*/false);
    source = chooseLibrarySource(global, player->settings());
    app = std::make_unique<ServeApp>(std::move(player), std::move(lock));
  } catch (const profile::ProfileBusy& e) {
    env.err() << profileBusyMessage(e, global.wait_seconds) << "\n";
    return kExitFailed;
  }
  player::Player& player = app->player();
  const std::string password = player.settings().get("mpd_password");
  const auto setting_port = static_cast<uint16_t>(std::stoul(player.settings().get("mpd_port")));
  if (!mpd::isLoopbackAddress(options.address) && password.empty()) {
    env.err() << "serve: " << options.address
              << " can be reached from other machines; set a password for MPD clients first "
                 "(vostrel config mpd_password WORD), or leave --mpd-address out for 127.0.0.1\n";
    return kExitBadInput;
  }
  const uint16_t port = options.port.value_or(setting_port != 0 ? setting_port : kDefaultMpdPort);
  tree::Panel* panel = app->panel(1);
  if (panel == nullptr) return kExitFailed;

  desktop::MpdService service(player, *panel, app->playback(), password);
  try {
    service.listen(options.address, port);
  } catch (const mpd::ServerError& e) {
    env.err() << "serve: " << e.what() << "\n";
    return kExitFailed;
  }

  std::unique_ptr<desktop::LibraryWatcher> watcher;
  if (source.isFolders()) {
    watcher = std::make_unique<desktop::LibraryWatcher>(player, player.profile().dir(), source.folders);
    watcher->start();
  }

  // Playlists are saved soon after every change, as in the desktop program.
  desktop::PlayerSignals player_signals(player);
  desktop::SaveScheduler saver([&player] { player.save(); });
  QObject::connect(&player_signals, &desktop::PlayerSignals::playlistEvent, &saver,
                   [&saver](const player::PlaylistChange& change) {
                     if (change.event != host::PlaylistEvent::kItemFocusChanged) saver.schedule();
                   });

  desktop::CommandServer::Hooks hooks;
  hooks.run = [&](const profile::CommandRequest& request, desktop::CommandReply& reply) {
    ServeEnv command_env(*app, request, source);
    int status = kExitFailed;
    const WorkingFolder folder(request.cwd);
    if (!folder.error().empty()) {
      command_env.err() << "vostrel: the working folder " << request.cwd << " cannot be used: " << folder.error()
                        << "\n";
      status = kExitBadInput;
    } else {
      std::vector<std::string> args{"vostrel"};
      args.insert(args.end(), request.args.begin(), request.args.end());
      std::vector<char*> command_argv;
      for (std::string& arg : args) command_argv.push_back(arg.data());
      command_argv.push_back(nullptr);
      try {
        const player::EditScope edits(player);
        status = runCommandLine(static_cast<int>(args.size()), command_argv.data(), command_env);
      } catch (const std::exception& e) {
        command_env.err() << e.what() << "\n";
      }
    }
    app->saveLayout();
    command_env.send(reply);
    return status;
  };
  hooks.raise = [] {};
  hooks.busy = [&] { return app->busy(); };
  hooks.log = [](const QString& line) { std::cerr << "[vostrel] " << line.toStdString() << std::endl; };
  desktop::CommandServer commands(std::move(hooks));
  QString error;
  if (!commands.listen(profile::prepareCommandSocket(player.profile().dir()), &error)) {
    std::cerr << "vostrel serve: commands cannot reach this program; on this profile they wait until it ends: "
              << error.toStdString() << std::endl;
  }

  desktop::QuitSignals quit_signals;
  QObject::connect(&quit_signals, &desktop::QuitSignals::quitRequested, &qt, [] { QCoreApplication::quit(); });
  std::cerr << "vostrel serve: MPD clients can connect to " << options.address << " port " << service.port()
            << " (profile " << player.profile().dir().string() << "); SIGTERM or Ctrl+C ends it" << std::endl;
  QCoreApplication::exec();

  commands.abortRunning();
  commands.close();
  watcher.reset();
  saver.cancel();
  player.save();
  player.settings().save();
  app->saveLayout();
  return kExitOk;
}

#else

int runServeCommand(CommandEnv& env, const GlobalOptions&, const ServeOptions&, int, char**) {
  env.err() << "serve is not part of this build: it runs on the desktop program's event loop\n";
  return kExitBadInput;
}

#endif

}  // namespace app
