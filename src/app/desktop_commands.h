// DesktopCommands: the desktop program's side of commands sent to it. It
// listens on the profile's command socket and runs each command as the
// command line would, against the live player and the window's panels:
// output and messages go back to the sender, the player's events reach the
// window, and nothing is written behind the window's back.
//
//   desktop::DesktopApp app(...);
//   app.start();
//   DesktopCommands commands(app);
//   commands.listen();
//   qt.exec();
#ifndef VOSTREL_APP_DESKTOP_COMMANDS_H_
#define VOSTREL_APP_DESKTOP_COMMANDS_H_

#ifdef VOSTREL_HAVE_GUI

#include <memory>

#include "desktop/command_server.h"
#include "profile/command_channel.h"

namespace desktop {
class DesktopApp;
}

namespace app {

class CommandUi;

class DesktopCommands {
 public:
  // REQUIRES: app.start() has run; `app` outlives this.
  explicit DesktopCommands(desktop::DesktopApp& app);
  ~DesktopCommands();
  DesktopCommands(const DesktopCommands&) = delete;
  DesktopCommands& operator=(const DesktopCommands&) = delete;

  // Listens on the profile's command socket; a failure goes to the log,
  // the status bar and stderr (commands then wait for the profile until
  // the program ends).
  bool listen();

  // Runs one command as it came over the socket; returns its exit status.
  int run(const profile::CommandRequest& request, desktop::CommandReply& reply);
  // Whether a command must wait: a statement may be running (it lets
  // events through, or sends a message), a dialog or a menu is open, or the
  // program quits.
  bool busy() const;
  void raiseWindow();

  desktop::CommandServer& server() { return *server_; }

 private:
  desktop::DesktopApp& app_;
  std::unique_ptr<CommandUi> ui_;
  std::unique_ptr<desktop::CommandServer> server_;
};

}  // namespace app

#endif  // VOSTREL_HAVE_GUI
#endif  // VOSTREL_APP_DESKTOP_COMMANDS_H_
