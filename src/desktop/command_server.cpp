#include "desktop/command_server.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QLocalServer>
#include <QLocalSocket>

namespace desktop {
namespace {

// Output waiting to be sent beyond this makes the command wait briefly for
// the reader, so that a large result does not pile up in memory.
constexpr qint64 kMaxUnsent = 8 << 20;
// How long a request waits before the next look at whether it may run.
constexpr int kRetryMilliseconds = 50;

QString fromPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

struct CommandServer::Connection {
  QLocalSocket* socket = nullptr;
  profile::FrameReader reader;
  std::optional<profile::CommandRequest> request;
  bool abort = false;
  bool gone = false;
};

namespace {

class SocketReply final : public CommandReply {
 public:
  SocketReply(std::function<void(profile::FrameType, std::string_view)> send, bool& abort)
      : send_(std::move(send)), abort_(abort) {}
  void write(profile::FrameType channel, std::string_view bytes) override {
    while (!bytes.empty()) {
      const std::string_view chunk = bytes.substr(0, profile::kOutputChunkSize);
      send_(channel, chunk);
      bytes.remove_prefix(chunk.size());
    }
  }
  bool takeAbort() override { return std::exchange(abort_, false); }

 private:
  std::function<void(profile::FrameType, std::string_view)> send_;
  bool& abort_;
};

}  // namespace

CommandServer::CommandServer(Hooks hooks, QObject* parent) : QObject(parent), hooks_(std::move(hooks)) {
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
    if (!S_ISSOCK(info.st_mode)) {
      *error = fromPath(path) + QStringLiteral(" exists and is not a socket");
      return false;
    }
    // Left by a desktop program that ended without removing it: we hold
    // the lock, so nobody listens there.
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
  queue_.clear();
}

void CommandServer::abortRunning() {
  if (running_) running_->abort = true;
}

void CommandServer::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    auto connection = std::make_shared<Connection>();
    connection->socket = socket;
    std::weak_ptr<Connection> weak = connection;
    connect(socket, &QLocalSocket::readyRead, this, [this, connection] { receive(connection); });
    connect(socket, &QLocalSocket::disconnected, this, [this, weak] {
      if (auto connection = weak.lock()) drop(connection);
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0) receive(connection);
  }
}

void CommandServer::send(Connection& connection, profile::FrameType type, std::string_view payload) {
  if (connection.gone || connection.socket->state() != QLocalSocket::ConnectedState) return;
  const std::string frame = profile::encodeFrame(type, payload);
  connection.socket->write(frame.data(), static_cast<qint64>(frame.size()));
  connection.socket->flush();
  if (connection.socket->bytesToWrite() > kMaxUnsent) connection.socket->waitForBytesWritten(100);
}

void CommandServer::receive(const std::shared_ptr<Connection>& connection) {
  if (connection->gone) return;
  const QByteArray bytes = connection->socket->readAll();
  connection->reader.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  try {
    while (std::optional<profile::Frame> frame = connection->reader.next()) {
      switch (frame->type) {
        case profile::FrameType::kRequest:
          if (connection->request) throw profile::ChannelError("a second request on one connection");
          connection->request = profile::decodeRequest(frame->payload);
          queue_.push_back(connection);
          if (!running_) retry_.start(0);
          break;
        case profile::FrameType::kAbort:
          if (running_ == connection) {
            connection->abort = true;
          } else if (std::erase(queue_, connection) > 0) {
            send(*connection, profile::FrameType::kStderr, "Interrupted (Ctrl+C) before the command ran.\n");
            send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(1));
            connection->socket->disconnectFromServer();
          }
          break;
        case profile::FrameType::kRaise:
          if (hooks_.raise) hooks_.raise();
          send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(0));
          connection->socket->disconnectFromServer();
          return;
        default: throw profile::ChannelError("a command sent a reply frame");
      }
    }
  } catch (const profile::ChannelError& e) {
    if (hooks_.log) hooks_.log(QStringLiteral("[vostrel] A command was refused: %1").arg(QString::fromUtf8(e.what())));
    if (running_ != connection) {
      std::erase(queue_, connection);
      send(*connection, profile::FrameType::kStderr,
           std::string("The desktop program refused the command: ") + e.what() + "\n");
      send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(2));
    }
    connection->abort = true;
    connection->gone = true;
    connection->socket->disconnectFromServer();
  }
}

void CommandServer::drop(const std::shared_ptr<Connection>& connection) {
  connection->gone = true;
  if (running_ == connection) connection->abort = true;
  std::erase(queue_, connection);
}

void CommandServer::runNext() {
  if (running_ || queue_.empty()) return;
  if (hooks_.busy && hooks_.busy()) {
    retry_.start(kRetryMilliseconds);
    return;
  }
  running_ = queue_.front();
  queue_.pop_front();
  const std::shared_ptr<Connection> connection = running_;
  send(*connection, profile::FrameType::kStarted);
  SocketReply reply(
      [this, connection](profile::FrameType type, std::string_view bytes) { send(*connection, type, bytes); },
      connection->abort);
  int status = 1;
  try {
    status = hooks_.run(*connection->request, reply);
  } catch (const std::exception& e) {
    reply.write(profile::FrameType::kStderr, std::string(e.what()) + "\n");
  }
  send(*connection, profile::FrameType::kExit, profile::encodeExitStatus(std::clamp(status, 0, 255)));
  if (!connection->gone) connection->socket->disconnectFromServer();
  running_.reset();
  emit commandFinished(status);
  if (!queue_.empty()) retry_.start(0);
}

}  // namespace desktop
