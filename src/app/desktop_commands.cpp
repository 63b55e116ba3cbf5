#ifdef VOSTREL_HAVE_GUI

#include "app/desktop_commands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <vector>

#include <QApplication>
#include <QThread>

#include "app/cli.h"
#include "app/command_env.h"
#include "app/working_folder.h"
#include "desktop/desktop_app.h"
#include "desktop/desktop_ui.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "tree/panel.h"

namespace app {

// The player's messages in the desktop program: to the window, except
// while a sent command runs, when they go to its sender as they would in
// a terminal. Counts the places where a statement may be running further
// up: its event pumps, and messages, which can come from inside one. No
// command may start there (see DesktopCommands::busy), and output sent from
// there does not wait for its reader.
class CommandUi final : public player::PlayerUi {
 public:
  // Marks a stretch of code in which a statement may be running.
  class InStatement {
   public:
    explicit InStatement(CommandUi& ui) : depth_(ui.statement_depth_) { ++depth_; }
    ~InStatement() { --depth_; }
    InStatement(const InStatement&) = delete;
    InStatement& operator=(const InStatement&) = delete;

   private:
    int& depth_;
  };

  explicit CommandUi(player::PlayerUi& window) : window_(window) {}

  // The sender's stream for messages (nullptr: the window); returns the
  // one before, for a command that runs while another waits for its reader.
  std::ostream* setCommandErr(std::ostream* err) { return std::exchange(err_, err); }
  bool inStatement() const { return statement_depth_ > 0; }

  void consoleLine(std::string_view text) override {
    if (err_ == nullptr) return window_.consoleLine(text);
    const InStatement scope(*this);
    *err_ << text << std::endl;
  }
  void popupMessage(std::string_view message, std::string_view title) override {
    if (err_ == nullptr) return window_.popupMessage(message, title);
    const InStatement scope(*this);
    *err_ << message << std::endl;
  }
  void messageBox(std::string_view message, std::string_view caption) override {
    if (err_ == nullptr) return window_.messageBox(message, caption);
    const InStatement scope(*this);
    *err_ << message << std::endl;
  }
  bool askYesNo(std::string_view question, std::string_view caption) override {
    return err_ != nullptr || window_.askYesNo(question, caption);
  }
  void pumpEvents() override {
    const InStatement scope(*this);
    window_.pumpEvents();
  }

 private:
  player::PlayerUi& window_;
  std::ostream* err_ = nullptr;
  int statement_depth_ = 0;
};

namespace {

// Collects one output stream of a command and sends it in chunks: when a
// chunk is full, on flush, and before the other stream sends (so that the
// two keep their order on the sender's terminal). Where a statement may be
// running, it sends without waiting for a reader that lags.
class ReplyBuffer final : public std::streambuf {
 public:
  ReplyBuffer(desktop::CommandReply& reply, const CommandUi& ui, profile::FrameType channel)
      : reply_(reply), ui_(ui), channel_(channel) {}
  void setOther(ReplyBuffer* other) { other_ = other; }

  void send() {
    if (other_ != nullptr) other_->sendOwn();
    sendOwn();
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_.push_back(traits_type::to_char_type(c));
    if (pending_.size() >= profile::kOutputChunkSize) send();
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    pending_.append(text, static_cast<std::size_t>(size));
    if (pending_.size() >= profile::kOutputChunkSize) send();
    return size;
  }
  int sync() override {
    send();
    return 0;
  }

 private:
  void sendOwn() {
    if (pending_.empty()) return;
    std::string bytes;
    bytes.swap(pending_);
    if (ui_.inStatement()) {
      reply_.writeNow(channel_, bytes);
    } else {
      reply_.write(channel_, bytes);
    }
  }

  desktop::CommandReply& reply_;
  const CommandUi& ui_;
  profile::FrameType channel_;
  ReplyBuffer* other_ = nullptr;
  std::string pending_;
};

// A command sent to the desktop program: the sender's streams, the live
// player and the window's panels.
class DesktopEnv final : public CommandEnv {
 public:
  DesktopEnv(desktop::DesktopApp& app, CommandUi& ui, const profile::CommandRequest& request,
             desktop::CommandReply& reply)
      : app_(app),
        ui_(ui),
        reply_(reply),
        terminal_(request.stdout_is_terminal),
        out_buffer_(reply, ui, profile::FrameType::kStdout),
        err_buffer_(reply, ui, profile::FrameType::kStderr),
        out_(&out_buffer_),
        err_(&err_buffer_),
        in_(request.input.value_or(std::string())) {
    out_buffer_.setOther(&err_buffer_);
    err_buffer_.setOther(&out_buffer_);
  }

  std::ostream& out() override { return out_; }
  std::ostream& err() override { return err_; }
  std::istream& in() override { return in_; }
  bool outIsTerminal() const override { return terminal_; }
  bool live() const override { return true; }
  // Called from every event pump of the command's statements (and from the
  // scan's progress): what was written so far goes out too, every few
  // milliseconds (a frame per row would cost more than the rows), unless
  // the reader lags; then it waits for the next full chunk, which is sent
  // outside the statement and waits for the reader there.
  bool takeInterrupt() override {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_flush_ >= kFlushInterval && !reply_.lagging()) {
      last_flush_ = now;
      const CommandUi::InStatement scope(ui_);
      flush();
    }
    return reply_.takeAbort();
  }
  player::Player* livePlayer() override { return &app_.player(); }
  std::optional<library::LibrarySource> liveLibrarySource() override { return app_.librarySource(); }
  std::optional<std::size_t> livePanelCount() override { return app_.mainWindow().panels().count(); }
  tree::Panel* livePanel(int number) override {
    // Panel N that the window lacks is opened, as a command on its own
    // adds it to the layout.
    desktop::PanelDocks& docks = app_.mainWindow().panels();
    while (docks.count() < static_cast<std::size_t>(number)) docks.addPanel({});
    desktop::PanelWidget* widget = docks.widget(static_cast<std::size_t>(number - 1));
    holds_.push_back(widget->holdPanel());
    return &widget->panel();
  }

  void flush() { out_buffer_.send(); }

 private:
  static constexpr auto kFlushInterval = std::chrono::milliseconds(20);

  desktop::DesktopApp& app_;
  CommandUi& ui_;
  desktop::CommandReply& reply_;
  std::chrono::steady_clock::time_point last_flush_;
  bool terminal_;
  ReplyBuffer out_buffer_;
  ReplyBuffer err_buffer_;
  std::ostream out_;
  std::ostream err_;
  std::istringstream in_;
  std::vector<std::shared_ptr<void>> holds_;
};


}  // namespace

DesktopCommands::DesktopCommands(desktop::DesktopApp& app)
    : app_(app), ui_(std::make_unique<CommandUi>(app.ui())) {
  app_.player().setUi(ui_.get());
  desktop::CommandServer::Hooks hooks;
  hooks.run = [this](const profile::CommandRequest& request, desktop::CommandReply& reply) {
    return run(request, reply);
  };
  hooks.raise = [this] { raiseWindow(); };
  hooks.busy = [this] { return busy(); };
  hooks.log = [this](const QString& line) { app_.ui().consoleLine(line.toStdString()); };
  server_ = std::make_unique<desktop::CommandServer>(std::move(hooks));
  QObject::connect(&app_, &desktop::DesktopApp::quitStarted, server_.get(), &desktop::CommandServer::abortRunning);
}

DesktopCommands::~DesktopCommands() {
  server_.reset();
  app_.player().setUi(&app_.ui());
}

bool DesktopCommands::listen() {
  QString error;
  try {
    const std::filesystem::path socket = profile::prepareCommandSocket(app_.player().profile().dir());
    if (server_->listen(socket, &error)) return true;
  } catch (const std::exception& e) {
    error = QString::fromStdString(e.what());
  }
  const std::string message =
      "Commands cannot reach this program; on this profile they wait until it ends: " + error.toStdString();
  app_.ui().consoleLine("[vostrel] " + message);
  app_.mainWindow().showWarning(QStringLiteral("Commands cannot reach this program (see the log)"),
                                QString::fromStdString(message));
  std::cerr << "vostrel: " << message << std::endl;
  return false;
}

bool DesktopCommands::busy() const {
  return ui_->inStatement() || QThread::currentThread()->loopLevel() > 1 ||
         QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr ||
         app_.quitting();
}

namespace {

// Whether `named` is the folder `own`, however it is written.
bool sameFolder(const std::filesystem::path& named, const std::filesystem::path& own) {
  std::error_code ec;
  return !named.empty() && std::filesystem::equivalent(named, own, ec);
}

}  // namespace

int DesktopCommands::run(const profile::CommandRequest& request, desktop::CommandReply& reply) {
  DesktopEnv env(app_, *ui_, request, reply);
  player::Player& player = app_.player();
  if (!sameFolder(request.profile, player.profile().dir())) {
    env.err() << "vostrel: this desktop program runs on the profile " << player.profile().dir().string() << ", not on "
              << (request.profile.empty() ? std::string("the one the command names") : request.profile)
              << "; the command was not run.\n";
    env.flush();
    return kExitBadInput;
  }
  int status = kExitFailed;
  // A command that waits for its reader may have another run meanwhile:
  // its message stream and pump hook come back afterwards.
  std::ostream* const outer_err = ui_->setCommandErr(&env.err());
  std::function<void()> outer_pump_hook = player.pumpHook();
  {
    const WorkingFolder folder(request.cwd);
    if (!folder.error().empty()) {
      env.err() << "vostrel: the working folder " << request.cwd << " cannot be used: " << folder.error() << "\n";
      status = kExitBadInput;
    } else {
      std::vector<std::string> args{"vostrel"};
      args.insert(args.end(), request.args.begin(), request.args.end());
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      try {
        // What the command changes in the playlists is one step of the
        // window's undo history.
        const player::EditScope edits(player);
        status = runCommandLine(static_cast<int>(args.size()), argv.data(), env);
      } catch (const std::exception& e) {
        env.err() << e.what() << "\n";
        status = kExitFailed;
      }
    }
  }
  player.setPumpHook(std::move(outer_pump_hook));
  ui_->setCommandErr(outer_err);
  env.flush();
  return status;
}

void DesktopCommands::raiseWindow() {
  desktop::MainWindow& window = app_.mainWindow();
  if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace app

#endif  // VOSTREL_HAVE_GUI
