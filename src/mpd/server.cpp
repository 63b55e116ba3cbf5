#include "mpd/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "mpd/dispatcher.h"
#include "mpd/protocol.h"
#include "mpd/session.h"

namespace mpd {

struct Server::Connection {
  Connection(int socket, Dispatcher& dispatcher) : fd(socket), session(dispatcher) {}
  int fd;
  Session session;
  std::string out;       // replies not sent yet
  std::size_t sent = 0;  // of `out`
  bool writing = false;  // watched for writing
  bool closing = false;  // close once `out` is sent
  bool dead = false;     // close now
};

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// What one client may have read per process() call, so that a busy client
// does not starve the others.
constexpr std::size_t kReadPerTurn = 256 * 1024;

std::string errorText() { return std::strerror(errno); }

}  // namespace

bool isLoopbackAddress(const std::string& address) {
  if (address == "localhost") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6);
  return false;
}

Server::Server(Dispatcher& dispatcher) : Server(dispatcher, Limits{}) {}

Server::Server(Dispatcher& dispatcher, Limits limits) : dispatcher_(dispatcher), limits_(limits) {
  epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
  if (epoll_ < 0) throw ServerError("cannot watch sockets: " + errorText());
  dispatcher_.setChangedCallback([this](unsigned subsystems) { notify(subsystems); });
}

Server::~Server() {
  dispatcher_.setChangedCallback(nullptr);
  for (auto& [fd, connection] : connections_) ::close(fd);
  if (listener_ >= 0) ::close(listener_);
  if (epoll_ >= 0) ::close(epoll_);
}

void Server::listen(const std::string& address, uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const std::string host = address == "localhost" ? "127.0.0.1" : address;
  if (const int error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); error != 0) {
    throw ServerError("the address " + address + " cannot be used: " + ::gai_strerror(error));
  }
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> hold(found, ::freeaddrinfo);
  const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) throw ServerError("cannot make a socket: " + errorText());
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, 64) != 0) {
    const std::string reason = errorText();
    ::close(fd);
    throw ServerError("cannot listen on " + address + " port " + service + ": " + reason);
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = fd;
  ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
  listener_ = fd;
}

void Server::process() {
  processing_ = true;
  epoll_event events[64];
  const int count = ::epoll_wait(epoll_, events, 64, 0);
  for (int i = 0; i < count; ++i) {
    const int fd = events[i].data.fd;
    if (fd == listener_) {
      accept();
      continue;
    }
    const auto it = connections_.find(fd);
    if (it == connections_.end()) continue;
    Connection& connection = *it->second;
    if (connection.dead) continue;
    if ((events[i].events & (EPOLLERR | EPOLLHUP)) != 0 && (events[i].events & EPOLLIN) == 0) {
      connection.dead = true;
      continue;
    }
    if ((events[i].events & EPOLLOUT) != 0) flush(connection);
    if ((events[i].events & EPOLLIN) != 0 && !connection.closing && !connection.dead) readFrom(connection);
  }
  processing_ = false;
  closeMarked();
}

void Server::accept() {
  for (int accepted = 0; accepted < 64; ++accepted) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (connections_.size() >= limits_.connections) {
      const std::string refusal = formatAck(AckError::kSystem, 0, "", "too many clients");
      [[maybe_unused]] const ssize_t written = ::send(fd, refusal.data(), refusal.size(), MSG_NOSIGNAL);
      ::close(fd);
      if (log_) log_("MPD: a client was turned away: " + std::to_string(limits_.connections) + " are connected");
      continue;
    }
    auto connection = std::make_unique<Connection>(fd, dispatcher_);
    Connection& added = *connection;
    connections_.emplace(fd, std::move(connection));
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
    added.out = Session::greeting();
    total_output_ += added.out.size();
    flush(added);
  }
}

void Server::readFrom(Connection& connection) {
  char buffer[kReadChunk];
  std::size_t taken = 0;
  while (taken < kReadPerTurn && !connection.closing && !connection.dead) {
    const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, 0);
    if (got == 0) {
      connection.dead = true;
      return;
    }
    if (got < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) connection.dead = true;
      return;
    }
    taken += static_cast<std::size_t>(got);
    const std::size_t before = connection.out.size();
    if (!connection.session.feed(std::string_view(buffer, static_cast<std::size_t>(got)), connection.out)) {
      connection.closing = true;
    }
    total_output_ += connection.out.size() - before;
    flush(connection);
  }
}

void Server::flush(Connection& connection) {
  while (connection.sent < connection.out.size() && !connection.dead) {
    const ssize_t written = ::send(connection.fd, connection.out.data() + connection.sent,
                                   connection.out.size() - connection.sent, MSG_NOSIGNAL);
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) connection.dead = true;
      break;
    }
    connection.sent += static_cast<std::size_t>(written);
  }
  const std::size_t unsent = connection.out.size() - connection.sent;
  if (unsent == 0) {
    total_output_ -= connection.out.size();
    connection.out.clear();
    connection.sent = 0;
    if (connection.closing) connection.dead = true;
  } else if (connection.sent > (std::size_t{1} << 20)) {
    // Drop what was sent, so that the buffer holds only the unsent.
    total_output_ -= connection.sent;
    connection.out.erase(0, connection.sent);
    connection.sent = 0;
  }
  if (!connection.dead && (unsent > limits_.output || total_output_ > limits_.total_output)) {
    if (log_) log_("MPD: a client that does not read its replies was disconnected");
    connection.dead = true;
  }
  if (!connection.dead) watch(connection, unsent > 0);
}

void Server::watch(Connection& connection, bool write) {
  if (connection.writing == write) return;
  connection.writing = write;
  epoll_event event{};
  event.events = static_cast<uint32_t>(EPOLLIN) | (write ? static_cast<uint32_t>(EPOLLOUT) : 0u);
  event.data.fd = connection.fd;
  ::epoll_ctl(epoll_, EPOLL_CTL_MOD, connection.fd, &event);
}

void Server::notify(unsigned subsystems) {
  for (auto& [fd, connection] : connections_) {
    if (connection->dead) continue;
    const std::size_t before = connection->out.size();
    connection->session.notify(subsystems, connection->out);
    if (connection->out.size() == before) continue;
    total_output_ += connection->out.size() - before;
    flush(*connection);
  }
  // Inside process() (a client's command changed something) the loop there
  // closes them; erasing now would pull its connection away under it.
  if (!processing_) closeMarked();
}

void Server::closeMarked() {
  std::vector<int> dead;
  for (const auto& [fd, connection] : connections_) {
    if (connection->dead) dead.push_back(fd);
  }
  for (const int fd : dead) {
    Connection& connection = *connections_.at(fd);
    total_output_ -= connection.out.size();
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    // What the client sent and nobody read would turn the close into a
    // reset, which may cost it the last reply (the ACK saying why).
    char discard[4096];
    for (int i = 0; i < 16 && ::recv(fd, discard, sizeof discard, MSG_DONTWAIT) > 0; ++i) {
    }
    ::close(fd);
    connections_.erase(fd);
  }
}

}  // namespace mpd
