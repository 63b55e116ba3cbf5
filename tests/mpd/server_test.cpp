// The server over real sockets on the loopback: greeting, replies, idle
// wake-ups, and the bounds that keep one client from holding up others.
#include "mpd/server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "mpd/mpd_fixture.h"
#include "mpd/protocol.h"

namespace mpd_testing {
namespace {

class ServerTest : public MpdFixture {
 protected:
  void start(mpd::Server::Limits limits) {
    server = std::make_unique<mpd::Server>(*dispatcher, limits);
    server->listen("127.0.0.1", 0);
  }
  void TearDown() override {
    for (const int fd : clients) ::close(fd);
    server.reset();
    MpdFixture::TearDown();
  }

  int connectClient(int receive_buffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server->port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    clients.push_back(fd);
    pump();
    return fd;
  }

  // Lets the server handle what is ready, a few rounds.
  void pump(int rounds = 5) {
    for (int i = 0; i < rounds; ++i) {
      pollfd ready{server->fd(), POLLIN, 0};
      ::poll(&ready, 1, 10);
      server->process();
    }
  }

  void write(int fd, const std::string& text) {
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
  }

  // What arrived on `fd` until `until` ends it (or the server closed it).
  std::string read(int fd, const std::string& until = "OK\n") {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      pump(1);
      char buffer[4096];
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n == 0) break;
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
      if (got.size() >= until.size() && got.compare(got.size() - until.size(), until.size(), until) == 0) break;
    }
    return got;
  }

  bool closedByServer(int fd) {
    pump();
    char buffer[65536];
    for (int i = 0; i < 1000; ++i) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
      if (n < 0) return false;
    }
    return false;
  }

  std::unique_ptr<mpd::Server> server;
  std::vector<int> clients;
};

TEST_F(ServerTest, GreetsAndReplies) {
  start({});
  const int client = connectClient();
  EXPECT_EQ(read(client, "\n"), "OK MPD " + std::string(mpd::kProtocolVersion) + "\n");
  write(client, "listplaylists\nping\n");
  const std::string reply = read(client, "OK\nOK\n");
  EXPECT_EQ(reply.rfind("playlist: Saved\nLast-Modified: ", 0), 0u) << reply;
  EXPECT_EQ(reply.substr(reply.size() - 6), "OK\nOK\n");
}

TEST_F(ServerTest, AnIdleClientWakesOnAChangeOfThePlayer) {
  start({});
  const int client = connectClient();
  read(client, "\n");
  write(client, "idle playlist\n");
  pump();
  player->insertItems(player->activePlaylist(), 0, {player->library()[0]}, false);
  EXPECT_EQ(read(client), "changed: playlist\nOK\n");
}

TEST_F(ServerTest, ClientsBeyondTheLimitAreTurnedAwayAndTheOthersServed) {
  start({.connections = 3});
  std::vector<int> kept;
  for (int i = 0; i < 3; ++i) kept.push_back(connectClient());
  const int extra = connectClient();
  EXPECT_EQ(read(extra, "\n"), "ACK [52@0] {} too many clients\n");
  EXPECT_TRUE(closedByServer(extra));
  EXPECT_EQ(server->connectionCount(), 3u);
  read(kept[1], "\n");
  write(kept[1], "ping\n");
  EXPECT_EQ(read(kept[1]), "OK\n");
}

TEST_F(ServerTest, AClientThatStopsReadingIsDroppedAndOthersGoOn) {
  start({.output = 64 * 1024});
  const int stuck = connectClient(4096);
  const int other = connectClient();
  read(other, "\n");
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "listallinfo \"[Files]\"\n";
  for (std::size_t at = 0; at < many.size() && server->connectionCount() == 2; at += 65536) {
    const std::string part = many.substr(at, 65536);
    ::send(stuck, part.data(), part.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    pump(2);
  }
  EXPECT_EQ(server->connectionCount(), 1u);
  const auto started = std::chrono::steady_clock::now();
  write(other, "ping\n");
  EXPECT_EQ(read(other), "OK\n");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

TEST_F(ServerTest, AnOverLongLineIsRefusedAndTheConnectionClosed) {
  start({});
  const int client = connectClient();
  read(client, "\n");
  write(client, std::string(mpd::kMaxLineBytes + 10, 'x'));
  EXPECT_EQ(read(client, "\n").substr(0, 26), "ACK [2@0] {} line too long");
  EXPECT_TRUE(closedByServer(client));
}

TEST_F(ServerTest, RefusesAnAddressInUse) {
  start({});
  mpd::Server second(*dispatcher);
  EXPECT_THROW(second.listen("127.0.0.1", server->port()), mpd::ServerError);
  // The first server goes on listening.
  const int client = connectClient();
  EXPECT_EQ(read(client, "\n").substr(0, 6), "OK MPD");
}

TEST(LoopbackAddressTest, TellsLocalAddressesFromOthers) {
  EXPECT_TRUE(mpd::isLoopbackAddress("127.0.0.1"));
  EXPECT_TRUE(mpd::isLoopbackAddress("127.1.2.3"));
  EXPECT_TRUE(mpd::isLoopbackAddress("::1"));
  EXPECT_TRUE(mpd::isLoopbackAddress("localhost"));
  EXPECT_FALSE(mpd::isLoopbackAddress("0.0.0.0"));
  EXPECT_FALSE(mpd::isLoopbackAddress("192.168.1.2"));
  EXPECT_FALSE(mpd::isLoopbackAddress("::"));
  EXPECT_FALSE(mpd::isLoopbackAddress("example.org"));
}

}  // namespace
}  // namespace mpd_testing
