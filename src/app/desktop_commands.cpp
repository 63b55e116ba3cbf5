#ifdef VOSTREL_HAVE_GUI

#include "app/desktop_commands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <streambuf>
#include <vector>

#include <QApplication>
#include <QThread>

#include "app/cli.h"
#include "app/command_env.h"
#include "desktop/desktop_app.h"
#include "desktop/desktop_ui.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "tree/panel.h"

namespace app {

// The player's messages in the desktop program: to the window, except
// while a sent command runs, when they go to its sender as they would in
// a terminal. Counts the event pumps of running statements, during which
// no command may start.
class CommandUi final : public player::PlayerUi {
 public:
  explicit CommandUi(player::PlayerUi& window) : window_(window) {}

  void setCommandErr(std::ostream* err) { err_ = err; }
  int pumpDepth() const { return pump_depth_; }

  void consoleLine(std::string_view text) override {
    if (err_ == nullptr) return window_.consoleLine(text);
    *err_ << text << std::endl;
  }
  void popupMessage(std::string_view message, std::string_view title) override {
    if (err_ == nullptr) return window_.popupMessage(message, title);
    *err_ << message << std::endl;
  }
  void messageBox(std::string_view message, std::string_view caption) override {
    if (err_ == nullptr) return window_.messageBox(message, caption);
    *err_ << message << std::endl;
  }
  bool askYesNo(std::string_view question, std::string_view caption) override {
    return err_ != nullptr || window_.askYesNo(question, caption);
  }
  void pumpEvents() override {
    struct Depth {
      int& depth;
      explicit Depth(int& d) : depth(d) { ++depth; }
      ~Depth() { --depth; }
    } scope(pump_depth_);
    window_.pumpEvents();
  }

 private:
  player::PlayerUi& window_;
  std::ostream* err_ = nullptr;
  int pump_depth_ = 0;
};

namespace {

// Collects one output stream of a command and sends it in chunks: when a
// chunk is full, on flush, and before the other stream sends (so that the
// two keep their order on the sender's terminal).
class ReplyBuffer final : public std::streambuf {
 public:
  ReplyBuffer(desktop::CommandReply& reply, profile::FrameType channel) : reply_(reply), channel_(channel) {}
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
    reply_.write(channel_, bytes);
  }

  desktop::CommandReply& reply_;
  profile::FrameType channel_;
  ReplyBuffer* other_ = nullptr;
  std::string pending_;
};

// A command sent to the desktop program: the sender's streams, the live
// player and the window's panels.
class DesktopEnv final : public CommandEnv {
 public:
  DesktopEnv(desktop::DesktopApp& app, const profile::CommandRequest& request, desktop::CommandReply& reply)
      : app_(app),
        reply_(reply),
        terminal_(request.stdout_is_terminal),
        out_buffer_(reply, profile::FrameType::kStdout),
        err_buffer_(reply, profile::FrameType::kStderr),
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
  // Called from every event pump of the command's statements: what was
  // written so far goes out too.
  bool takeInterrupt() override {
    flush();
    return reply_.takeAbort();
  }
  player::Player* livePlayer() override { return &app_.player(); }
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
  desktop::DesktopApp& app_;
  desktop::CommandReply& reply_;
  bool terminal_;
  ReplyBuffer out_buffer_;
  ReplyBuffer err_buffer_;
  std::ostream out_;
  std::ostream err_;
  std::istringstream in_;
  std::vector<std::shared_ptr<void>> holds_;
};

// Runs the command in the sender's working folder, for relative paths.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder) : previous_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (previous_ >= 0 && ::chdir(folder.c_str()) == 0) return;
    error_ = std::strerror(errno);
  }
  ~WorkingFolder() {
    if (previous_ < 0) return;
    if (error_.empty() && ::fchdir(previous_) != 0) {
      // The program's own paths are absolute; nothing depends on it.
    }
    ::close(previous_);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  const std::string& error() const { return error_; }

 private:
  int previous_;
  std::string error_;
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
  if (server_->listen(profile::commandSocketPath(app_.player().profile().dir()), &error)) return true;
  app_.ui().consoleLine("[vostrel] Commands cannot reach this program; they wait until it ends: " +
                        error.toStdString());
  return false;
}

bool DesktopCommands::busy() const {
  return ui_->pumpDepth() > 0 || QThread::currentThread()->loopLevel() > 1 ||
         QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr ||
         app_.quitting();
}

int DesktopCommands::run(const profile::CommandRequest& request, desktop::CommandReply& reply) {
  DesktopEnv env(app_, request, reply);
  int status = kExitFailed;
  ui_->setCommandErr(&env.err());
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
        status = runCommandLine(static_cast<int>(args.size()), argv.data(), env);
      } catch (const std::exception& e) {
        env.err() << e.what() << "\n";
        status = kExitFailed;
      }
    }
  }
  ui_->setCommandErr(nullptr);
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
