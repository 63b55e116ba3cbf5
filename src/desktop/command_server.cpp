#include "desktop/command_server.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace desktop {
namespace {

// How long a request waits before the next look at whether it may run.
constexpr int kRetryMilliseconds = 50;
// Commands that run at once: one, and those paused for their readers under
// it. Each holds its output buffer and a stretch of the main thread's
// stack.
constexpr std::size_t kMaxRunning = 8;

QString fromPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

struct CommandServer::Connection {
  // Gone when the socket is: it is deleted once its peer has left.
  QPointer<QLocalSocket> socket;
  profile::FrameReader reader;
  std::optional<profile::CommandRequest> request;
  std::size_t request_bytes = 0;  // the request's payload, while it is queued
  bool abort = false;             // taken by the command's next look (CommandReply::takeAbort)
  bool stop = false;              // stays: the command is to end, so it no longer waits for its reader
  bool gone = false;              // its sender went away, or was sent away
  bool paused = false;            // the command waits for its reader
};

namespace {

class SocketReply final : public CommandReply {
 public:
  using Send = std::function<void(profile::FrameType, std::string_view, bool wait)>;
  SocketReply(Send send, std::function<bool()> lagging, bool& abort)
      : send_(std::move(send)), lagging_(std::move(lagging)), abort_(abort) {}
  void write(profile::FrameType channel, std::string_view bytes) override { sendChunks(channel, bytes, true); }
  void writeNow(profile::FrameType channel, std::string_view bytes) override { sendChunks(channel, bytes, false); }
  bool lagging() const override { return lagging_(); }
  bool takeAbort() override { return std::exchange(abort_, false); }

 private:
  void sendChunks(profile::FrameType channel, std::string_view bytes, bool wait) {
    while (!bytes.empty()) {
      const std::string_view chunk = bytes.substr(0, profile::kOutputChunkSize);
      send_(channel, chunk, wait);
      bytes.remove_prefix(chunk.size());
    }
  }

  Send send_;
  std::function<bool()> lagging_;
  bool& abort_;
};

}  // namespace

CommandServer::CommandServer(Hooks hooks, Limits limits, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), limits_(limits) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, &CommandServer::runNext);
}

CommandServer::~CommandServer() {
  // What was written last (a final exit status) reaches its reader before
  // the sockets go; commands still queued end unrun, and their senders run
  // them on their own once the profile is free.
  if (server_ != nullptr) {
    for (QLocalSocket* socket : server_->findChildren<QLocalSocket*>()) {
      if (socket->state() == QLocalSocket::ConnectedState && socket->bytesToWrite() > 0) {
        socket->waitForBytesWritten(1000);
      }
    }
  }
  close();
}

bool CommandServer::listen(const std::filesystem::path& path, QString* error) {
  close();
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      *error = fromPath(path) + QStringLiteral(" is a folder, where the program's socket belongs; move it away");
      return false;
    }
    // A socket left by a desktop program that ended without removing it
    // (we hold the lock, so nobody listens there), or a file in its place.
    if (unlink(path.c_str()) != 0) {
      *error = fromPath(path) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
      return false;
    }
  }
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(fromPath(path))) {
    *error = fromPath(path) + QStringLiteral(": ") + server_->errorString();
    delete server_;
    server_ = nullptr;
    return false;
  }
  path_ = path;
  connect(server_, &QLocalServer::newConnection, this, &CommandServer::accept);
  return true;
}

void CommandServer::close() {
  if (server_ == nullptr) return;
  server_->close();
  delete server_;
  server_ = nullptr;
  arriving_.clear();
  queue_.clear();
}

void CommandServer::abortRunning() {
  for (const ConnectionPtr& connection : running_) connection->abort = connection->stop = true;
}

bool CommandServer::isRunning(const ConnectionPtr& connection) const {
  return std::find(running_.begin(), running_.end(), connection) != running_.end();
}

void CommandServer::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    if (waiting() >= limits_.waiting) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    auto connection = std::make_shared<Connection>();
    connection->socket = socket;
    arriving_.push_back(connection);
    std::weak_ptr<Connection> weak = connection;
    connect(socket, &QLocalSocket::readyRead, this, [this, connection] { receive(connection); });
    connect(socket, &QLocalSocket::disconnected, this, [this, weak] {
      if (auto connection = weak.lock()) drop(connection);
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(limits_.request_timeout, socket, [this, weak] {
      auto connection = weak.lock();
      if (connection && std::erase(arriving_, connection) > 0) {
        turnAway(connection,
                 QStringLiteral("its request did not arrive within %1 ms").arg(limits_.request_timeout.count()));
      }
    });
    if (socket->bytesAvailable() > 0) receive(connection);
  }
}

std::size_t CommandServer::requestBytes() const {
  std::size_t total = 0;
  for (const ConnectionPtr& connection : arriving_) total += connection->reader.pending();
  for (const ConnectionPtr& connection : queue_) total += connection->request_bytes;
  return total;
}

void CommandServer::turnAway(const ConnectionPtr& connection, const QString& reason) {
  if (hooks_.log) hooks_.log(QStringLiteral("[vostrel] A command was turned away: %1.").arg(reason));
  std::erase(arriving_, connection);
  connection->gone = true;
  if (connection->socket != nullptr) connection->socket->abort();
}

void CommandServer::send(Connection& connection, profile::FrameType type, std::string_view payload, bool wait) {
  if (connection.gone || connection.socket == nullptr || connection.socket->state() != QLocalSocket::ConnectedState) {
    return;
  }
  const std::string frame = profile::encodeFrame(type, payload);
  connection.socket->write(frame.data(), static_cast<qint64>(frame.size()));
  connection.socket->flush();  // as much as the socket takes now, without blocking
  if (wait) waitForReader(connection);
}

bool CommandServer::lagging(const Connection& connection) const {
  return !connection.gone && !connection.stop && connection.socket != nullptr &&
         connection.socket->bytesToWrite() > limits_.unsent;
}

void CommandServer::waitForReader(Connection& connection) {
  if (!lagging(connection)) return;
  connection.paused = true;
  // A queued command may run meanwhile.
  if (!queue_.empty()) retry_.start(0);
  // The socket's progress, its end, Ctrl+C and quitting all arrive as
  // events, so this sleeps until one of them comes.
  while (lagging(connection)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  connection.paused = false;
}

void CommandServer::receive(const ConnectionPtr& connection) {
  if (connection->gone || connection->socket == nullptr) return;
  const QByteArray bytes = connection->socket->readAll();
  connection->reader.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  const bool arriving = !connection->request;
  if (arriving && requestBytes() > limits_.request_bytes) {
    turnAway(connection,
             QStringLiteral("the requests that wait hold more than %1 MiB together").arg(limits_.request_bytes >> 20));
    return;
  }
  try {
    while (std::optional<profile::Frame> frame = connection->reader.next()) {
      switch (frame->type) {
        case profile::FrameType::kRequest:
          if (connection->request) throw profile::ChannelError("a second request on one connection");
          connection->request = profile::decodeRequest(frame->payload);
          connection->request_bytes = frame->payload.size();
          std::erase(arriving_, connection);
          queue_.push_back(connection);
          retry_.start(0);
          break;
        case profile::FrameType::kAbort:
          if (isRunning(connection)) {
            connection->abort = connection->stop = true;
          } else if (std::erase(queue_, connection) > 0) {
            send(*connection, profile::FrameType::kStderr, "Interrupted (Ctrl+C) before the command ran.\n");
            send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(1));
            connection->socket->disconnectFromServer();
          }
          break;
        case profile::FrameType::kRaise:
          std::erase(arriving_, connection);
          if (hooks_.raise) hooks_.raise();
          send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(0));
          if (connection->socket != nullptr) connection->socket->disconnectFromServer();
          return;
        default: throw profile::ChannelError("a command sent a reply frame");
      }
    }
    // After its request a command sends Ctrl+C alone, which carries
    // nothing: what else waits to be whole would only hold memory.
    if (connection->request && connection->reader.pending() >= profile::kFrameHeaderSize) {
      throw profile::ChannelError("a command sent more after its request");
    }
  } catch (const profile::ChannelError& e) {
    if (hooks_.log) hooks_.log(QStringLiteral("[vostrel] A command was refused: %1").arg(QString::fromUtf8(e.what())));
    if (!isRunning(connection)) {
      std::erase(arriving_, connection);
      std::erase(queue_, connection);
      send(*connection, profile::FrameType::kStderr,
           std::string("The desktop program refused the command: ") + e.what() + "\n");
      send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(2));
    }
    connection->abort = connection->stop = true;
    connection->gone = true;
    if (connection->socket != nullptr) connection->socket->disconnectFromServer();
  }
}

void CommandServer::drop(const ConnectionPtr& connection) {
  connection->gone = true;
  if (isRunning(connection)) connection->abort = connection->stop = true;
  std::erase(arriving_, connection);
  std::erase(queue_, connection);
}

void CommandServer::runNext() {
  if (queue_.empty()) return;
  // A running command that is not paused starts the next one when it ends
  // or pauses.
  if (!running_.empty() && (!running_.back()->paused || running_.size() >= kMaxRunning)) return;
  if (hooks_.busy && hooks_.busy()) {
    retry_.start(kRetryMilliseconds);
    return;
  }
  const ConnectionPtr connection = queue_.front();
  queue_.pop_front();
  connection->request_bytes = 0;
  running_.push_back(connection);
  send(*connection, profile::FrameType::kStarted);
  SocketReply reply(
      [this, connection](profile::FrameType type, std::string_view bytes, bool wait) {
        send(*connection, type, bytes, wait);
      },
      [this, connection] { return lagging(*connection); }, connection->abort);
  int status = 1;
  try {
    status = hooks_.run(*connection->request, reply);
  } catch (const std::exception& e) {
    reply.write(profile::FrameType::kStderr, std::string(e.what()) + "\n");
  }
  // The exit status is the last word: the reader may take its time.
  connection->stop = true;
  send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(std::clamp(status, 0, 255)));
  if (!connection->gone && connection->socket != nullptr) connection->socket->disconnectFromServer();
  // Whatever ran meanwhile has ended, so this is the innermost.
  running_.pop_back();
  emit commandFinished(status);
  if (!queue_.empty()) retry_.start(0);
}

}  // namespace desktop
