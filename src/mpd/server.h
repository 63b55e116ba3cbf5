// Server: the protocol over TCP, on one thread, without blocking. It
// gathers its sockets in one epoll descriptor (fd()), which the program's
// event loop watches: when it is readable, process() handles what is ready.
//
//   Server server(dispatcher);
//   server.listen("127.0.0.1", 6600);    // throws ServerError
//   ... whenever fd() is readable: server.process();
//
// Bounds: at most Limits::connections clients at once (a further one is
// told so and closed); a request line, a command list (see session.h) and
// the replies a client has not read yet (Limits::output per client,
// Limits::total_output over all) are bounded. A client that stops reading
// is closed when its replies reach the bound, so it holds up no one, and an
// idle client costs its socket and a few hundred bytes.
#ifndef VOSTREL_MPD_SERVER_H_
#define VOSTREL_MPD_SERVER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace mpd {

class Dispatcher;

class ServerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whether `address` (a numeric IPv4 or IPv6 address, or "localhost") is
// reachable from this machine only.
bool isLoopbackAddress(const std::string& address);

class Server {
 public:
  struct Limits {
    std::size_t connections = 100;
    std::size_t output = std::size_t{32} << 20;
    std::size_t total_output = std::size_t{256} << 20;
  };

  // `dispatcher` must outlive the server; the server takes its change
  // callback, to wake idle clients.
  explicit Server(Dispatcher& dispatcher);
  Server(Dispatcher& dispatcher, Limits limits);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Listens on `address` and `port` (0: any free port). Throws ServerError
  // saying what failed ("address in use", ...).
  void listen(const std::string& address, uint16_t port);
  // The port listened on.
  uint16_t port() const { return port_; }
  // The descriptor to watch for reading.
  int fd() const { return epoll_; }

  // Accepts, reads, runs and writes what is ready; never blocks.
  void process();
  // Wakes the idle clients waiting for one of `subsystems`.
  void notify(unsigned subsystems);

  std::size_t connectionCount() const { return connections_.size(); }
  // Where the server says why it closed a client (default: nowhere).
  void setLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

 private:
  struct Connection;
  void accept();
  void readFrom(Connection& connection);
  // Sends what it can; marks the connection closed on an error or when it
  // holds too much unsent output.
  void flush(Connection& connection);
  void watch(Connection& connection, bool write);
  void closeMarked();

  Dispatcher& dispatcher_;
  Limits limits_;
  int epoll_ = -1;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::unordered_map<int, std::unique_ptr<Connection>> connections_;
  std::size_t total_output_ = 0;
  bool processing_ = false;
  std::function<void(const std::string&)> log_;
};

}  // namespace mpd

#endif  // VOSTREL_MPD_SERVER_H_
