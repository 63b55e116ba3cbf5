// CommandServer: the desktop program's end of the command channel (see
// profile/command_channel.h). It listens on a local socket, takes requests,
// and runs them one at a time on the main thread through the runner it was
// given, sending the runner's output back as it comes.
//
// A request is never run inside another run: while a statement lets events
// through, a modal dialog or a menu is open, or a command runs, it waits in
// the queue (`busy` says when to wait). A connection that goes away
// interrupts its command, or takes it off the queue. A malformed frame ends
// the connection with a line in the log.
#ifndef VOSTREL_DESKTOP_COMMAND_SERVER_H_
#define VOSTREL_DESKTOP_COMMAND_SERVER_H_

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include <QObject>
#include <QTimer>

#include "profile/command_channel.h"

class QLocalServer;
class QLocalSocket;

namespace desktop {

// Where a running command writes, and how it learns that it should stop.
class CommandReply {
 public:
  virtual ~CommandReply() = default;
  // `channel` is FrameType::kStdout or kStderr.
  virtual void write(profile::FrameType channel, std::string_view bytes) = 0;
  // Whether the sender asked to stop (Ctrl+C, or it went away) since the
  // last call; clears the request.
  virtual bool takeAbort() = 0;
};

class CommandServer : public QObject {
  Q_OBJECT

 public:
  // Runs a request; returns its exit status.
  using Runner = std::function<int(const profile::CommandRequest& request, CommandReply& reply)>;

  struct Hooks {
    Runner run;
    std::function<void()> raise;       // a second desktop start asks for the window
    std::function<bool()> busy;        // true: requests wait
    std::function<void(const QString&)> log;  // a line for the log
  };

  explicit CommandServer(Hooks hooks, QObject* parent = nullptr);
  ~CommandServer() override;

  // Listens on `path`, first removing a socket file left there by a
  // program that ended. REQUIRES: the profile's lock is held, so that no
  // other desktop program listens there. False (with `error`) when it
  // cannot listen.
  bool listen(const std::filesystem::path& path, QString* error);
  // Stops listening and removes the socket file.
  void close();

  // Asks the running command to stop (at quit).
  void abortRunning();
  std::size_t queued() const { return queue_.size(); }
  bool running() const { return running_ != nullptr; }

 signals:
  // A forwarded command ended with `status`.
  void commandFinished(int status);

 private:
  struct Connection;
  void accept();
  void receive(const std::shared_ptr<Connection>& connection);
  void drop(const std::shared_ptr<Connection>& connection);
  void runNext();
  void send(Connection& connection, profile::FrameType type, std::string_view payload = {});

  Hooks hooks_;
  QLocalServer* server_ = nullptr;
  std::filesystem::path path_;
  std::deque<std::shared_ptr<Connection>> queue_;
  std::shared_ptr<Connection> running_;
  QTimer retry_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_COMMAND_SERVER_H_
