// RawClient: a connection to a command socket made by hand, for tests that
// play a sender that misbehaves: it sends what it is given and reads only
// when asked to.
#ifndef VOSTREL_TESTS_DESKTOP_SUPPORT_RAW_CLIENT_H_
#define VOSTREL_TESTS_DESKTOP_SUPPORT_RAW_CLIENT_H_

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "profile/command_channel.h"

namespace desktop_testing {

class RawClient {
 public:
  RawClient() = default;
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;
  ~RawClient() { close(); }

  bool connect(const std::filesystem::path& socket) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    return ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  // Blocks until all is sent (or the server has gone).
  bool send(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  bool sendRequest(const profile::CommandRequest& request) {
    return send(profile::encodeFrame(profile::FrameType::kRequest, profile::encodeRequest(request)));
  }
  // Whether the server ended the connection within `milliseconds`; what
  // it sent meanwhile is read and dropped.
  bool endedWithin(int milliseconds) {
    pollfd wait{fd_, POLLIN, 0};
    char buffer[4096];
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
      if (::poll(&wait, 1, 20) != 1) continue;
      const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) return true;
    }
    return false;
  }
  // Reads the first frame of the reply; whether it says that the command
  // started.
  bool readStarted() {
    char header[profile::kFrameHeaderSize];
    return ::recv(fd_, header, sizeof header, MSG_WAITALL) == static_cast<ssize_t>(sizeof header) &&
           header[0] == static_cast<char>(profile::FrameType::kStarted);
  }
  // Reads the reply's frames until the server ends the connection (or a
  // frame is malformed).
  std::vector<profile::Frame> readAll() {
    profile::FrameReader reader;
    std::vector<profile::Frame> frames;
    char buffer[1 << 16];
    ssize_t got;
    try {
      while ((got = ::recv(fd_, buffer, sizeof buffer, 0)) > 0) {
        reader.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
        while (std::optional<profile::Frame> frame = reader.next()) frames.push_back(std::move(*frame));
      }
    } catch (const profile::ChannelError&) {
    }
    return frames;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace desktop_testing

#endif  // VOSTREL_TESTS_DESKTOP_SUPPORT_RAW_CLIENT_H_
