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
//
// Nothing here blocks the main thread on a reader. Output a command's reader
// has not taken is buffered up to Limits::unsent; beyond it the command
// pauses in its write, letting events through (the window goes on) until
// the reader catches up, goes away or the command is to stop. A command
// paused so (never inside a statement: see CommandReply::writeNow) is the
// one exception to the rule above: the next queued request runs meanwhile,
// unless the program is busy, so that a reader that stops reading holds up
// its own command only. The paused command resumes when its reader has
// caught up and whatever ran meanwhile has ended. At most eight commands
// run at once so, one of them not paused.
//
// Connections cost memory until their request is complete: at most
// Limits::waiting of them wait at once (incomplete or queued), their
// requests hold at most Limits::request_bytes together, and a request must
// arrive within Limits::request_timeout. A connection beyond a bound is
// closed unread; its sender tries again, as it does when the program cannot
// be reached.
#ifndef VOSTREL_DESKTOP_COMMAND_SERVER_H_
#define VOSTREL_DESKTOP_COMMAND_SERVER_H_

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

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
  // `channel` is FrameType::kStdout or kStderr. While the reader lags
  // behind, waits for it first, letting events through (see
  // CommandServer).
  virtual void write(profile::FrameType channel, std::string_view bytes) = 0;
  // The same without waiting, for where a statement may be running further
  // up (nothing may run inside one). Callers leave their output for later
  // while lagging(), so that what waits stays bounded.
  virtual void writeNow(profile::FrameType channel, std::string_view bytes) = 0;
  // Whether the reader lags so far behind that write() would wait.
  virtual bool lagging() const = 0;
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

  // What connections may hold (see above).
  struct Limits {
    std::size_t waiting = 16;
    std::size_t request_bytes = 2 * std::size_t{profile::kMaxRequestPayload};
    std::chrono::milliseconds request_timeout{5000};
    // Per connection; a paused command's buffer goes past it by one chunk
    // at most.
    qint64 unsent = 4 << 20;
  };

  explicit CommandServer(Hooks hooks, QObject* parent = nullptr) : CommandServer(std::move(hooks), Limits{}, parent) {}
  CommandServer(Hooks hooks, Limits limits, QObject* parent = nullptr);
  ~CommandServer() override;

  // Listens on `path`, first removing what a program that ended left
  // there: a socket, or a file that is not one (the path is the program's
  // own, in the profile or in the private folder for sockets). A folder
  // there is not removed. REQUIRES: the profile's lock is held, so that no
  // other desktop program listens there. False (with `error`) when it
  // cannot listen.
  bool listen(const std::filesystem::path& path, QString* error);
  // Stops listening and removes the socket file.
  void close();

  // Asks the running commands to stop (at quit); paused ones stop waiting
  // for their readers.
  void abortRunning();
  std::size_t queued() const { return queue_.size(); }
  // Connections whose command has not started: incomplete or queued.
  std::size_t waiting() const { return arriving_.size() + queue_.size(); }
  bool running() const { return !running_.empty(); }

 signals:
  // A forwarded command ended with `status`.
  void commandFinished(int status);

 private:
  struct Connection;
  using ConnectionPtr = std::shared_ptr<Connection>;
  void accept();
  void receive(const ConnectionPtr& connection);
  void drop(const ConnectionPtr& connection);
  // Closes a connection that never got to run; its sender tries again.
  void turnAway(const ConnectionPtr& connection, const QString& reason);
  std::size_t requestBytes() const;
  void runNext();
  // Sends a frame; with `wait`, first waits while the reader lags.
  void send(Connection& connection, profile::FrameType type, std::string_view payload = {}, bool wait = true);
  bool lagging(const Connection& connection) const;
  void waitForReader(Connection& connection);
  bool isRunning(const ConnectionPtr& connection) const;

  Hooks hooks_;
  Limits limits_;
  QLocalServer* server_ = nullptr;
  std::filesystem::path path_;
  std::vector<ConnectionPtr> arriving_;  // their requests are not complete yet
  std::deque<ConnectionPtr> queue_;
  std::vector<ConnectionPtr> running_;  // the innermost last
  QTimer retry_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_COMMAND_SERVER_H_
