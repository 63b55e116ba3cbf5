#include "app/forward_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <sstream>
#include <thread>

#include "app/cli.h"
#include "app/interrupt_signal.h"
#include "profile/data_error.h"

namespace app {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollInterval = std::chrono::milliseconds(50);
// A desktop program that holds the lock but does not answer yet is still
// starting; a second start gives it this long before it waits as usual.
constexpr auto kRaiseWait = std::chrono::seconds(5);
// A command the desktop program has not started after this long says once
// that it waits; one that may wait longer than that, that is.
constexpr auto kQueueNotice = std::chrono::seconds(1);
// However short --wait is, a command gives the program this long to start
// it: it does at once when it is not busy.
constexpr auto kMinStartWait = std::chrono::seconds(1);

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// A connected socket to `path` whose listener is `holder_pid` (when known)
// and runs as this user; -1 otherwise.
int connectTo(const std::filesystem::path& path, pid_t holder_pid) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.native().size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid() ||
      (holder_pid != 0 && peer.pid != holder_pid)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::chrono::milliseconds waitLimit(double seconds) {
  // A week at most keeps the milliseconds far from overflow.
  return std::chrono::milliseconds(static_cast<int64_t>(std::min(seconds, 7 * 24 * 3600.0) * 1000));
}

// "30", "0.5": seconds as the user gave them.
std::string secondsText(double seconds) {
  std::ostringstream text;
  text << seconds;
  return text.str();
}

// Reads frames until the exit status; copies output as it comes. Gives up
// when the command has not started within `wait_seconds` (see
// forwardCommand). nullopt: the connection ended before the command
// started.
std::optional<int> relay(int fd, pid_t holder_pid, double wait_seconds, std::ostream& out, std::ostream& err) {
  const InterruptSignal interrupt_signal;
  profile::FrameReader reader;
  bool started = false;
  bool noticed = false;
  const auto sent = Clock::now();
  const auto start_wait = wait_seconds < 0
                              ? waitLimit(7 * 24 * 3600.0)
                              : std::max<std::chrono::milliseconds>(waitLimit(wait_seconds), kMinStartWait);
  char buffer[1 << 16];
  try {
    for (;;) {
      if (InterruptSignal::take()) sendAll(fd, profile::encodeFrame(profile::FrameType::kAbort));
      const auto waited = Clock::now() - sent;
      if (!started && !noticed && waited >= kQueueNotice && start_wait > kQueueNotice) {
        noticed = true;
        err << "Waiting for the desktop program to finish what it is doing (a query, a dialog, a menu or another "
               "command"
            << (wait_seconds < 0 ? std::string() : "; up to " + secondsText(wait_seconds) + " s") << ")..."
            << std::endl;
      }
      pollfd wait{fd, POLLIN, 0};
      const int ready = ::poll(&wait, 1, 200);
      if (ready < 0 && errno != EINTR) break;
      if (ready == 0 && !started && waited >= start_wait) {
        // Closing the connection takes the command off the queue.
        err << "The desktop program on this profile (process " << holder_pid
            << ") is busy with a query, a dialog, a menu or another command";
        if (wait_seconds > 0) err << " and did not start the command within " << secondsText(wait_seconds) << " s";
        err << "; try again when it has finished, or wait " << (wait_seconds > 0 ? "longer " : "")
            << "with --wait SECONDS.\n";
        return kExitFailed;
      }
      if (ready <= 0) continue;
      const ssize_t size = ::read(fd, buffer, sizeof buffer);
      if (size < 0 && errno == EINTR) continue;
      if (size <= 0) break;
      reader.feed(std::string_view(buffer, static_cast<std::size_t>(size)));
      // What one read brought goes out in one write per stream, not one
      // per frame; a stream is flushed before the other writes, so that
      // the two keep their order on a terminal.
      std::ostream* last = nullptr;
      while (std::optional<profile::Frame> frame = reader.next()) {
        std::ostream* stream = nullptr;
        switch (frame->type) {
          case profile::FrameType::kStarted: started = true; break;
          case profile::FrameType::kStdout: stream = &out; break;
          case profile::FrameType::kStderr: stream = &err; break;
          case profile::FrameType::kExit:
            if (last != nullptr) last->flush();
            return profile::decodeExitStatus(frame->payload);
          default: throw profile::ChannelError("a reply frame of a request's type");
        }
        if (stream == nullptr) continue;
        if (last != nullptr && last != stream) last->flush();
        stream->write(frame->payload.data(), std::ssize(frame->payload));
        last = stream;
      }
      if (last != nullptr) last->flush();
    }
  } catch (const profile::ChannelError& e) {
    err << "vostrel: the desktop program sent a malformed reply (" << e.what() << ")\n";
    return kExitFailed;
  }
  if (!started) return std::nullopt;
  err << "vostrel: the desktop program ended before the command finished\n";
  return kExitFailed;
}

bool overridesGiven(const GlobalOptions& options) {
  return !options.library.empty() || !options.sets.empty() || !options.playing.empty();
}

int refuseOverrides(std::ostream& err) {
  err << "The desktop program runs on this profile with its own library, settings and playback; --library and "
         "--set apply only to a command that runs on its own, as does --playing: quit the desktop program, or leave "
         "them out.\n";
  return kExitBadInput;
}

}  // namespace

std::optional<int> forwardCommand(const std::filesystem::path& socket, pid_t holder_pid,
                                  const profile::CommandRequest& request, std::ostream& out, std::ostream& err,
                                  double wait_seconds) {
  const std::string payload = profile::encodeRequest(request);
  if (payload.size() > profile::kMaxRequestPayload) {
    err << "vostrel: the command is too large to send to the desktop program that runs on this profile ("
        << ((payload.size() + (1u << 20) - 1) >> 20) << " MiB with its script; at most "
        << (profile::kMaxRequestPayload >> 20) << " MiB): quit the desktop program to run it on its own.\n";
    return kExitBadInput;
  }
  const Fd fd(connectTo(socket, holder_pid));
  if (fd.get() < 0) return std::nullopt;
  if (!sendAll(fd.get(), profile::encodeFrame(profile::FrameType::kRequest, payload))) return std::nullopt;
  return relay(fd.get(), holder_pid, wait_seconds, out, err);
}

ProfileClaim claimProfile(CommandEnv& env, const GlobalOptions& options, int argc, char** argv,
                          const std::optional<std::string>& input) {
  ProfileClaim claim;
  if (env.live()) {
    if (overridesGiven(options)) {
      claim.status = refuseOverrides(env.err());
    } else if (!options.profile.empty()) {
      // Relative to the sender's working folder, which the command runs in.
      const std::filesystem::path own = env.livePlayer()->profile().dir();
      std::error_code ec;
      if (!std::filesystem::equivalent(profile::resolveProfilePath(options.profile), own, ec)) {
        env.err() << "vostrel: the desktop program that received the command runs on the profile " << own.string()
                  << ", not on " << options.profile << "; the command was not run.\n";
        claim.status = kExitBadInput;
      }
    }
    return claim;
  }
  const profile::Profile profile = profile::Profile::open(options.profile);
  const auto start = Clock::now();
  const auto limit = waitLimit(options.wait_seconds);
  bool noticed = false;
  for (;;) {
    std::optional<profile::ProfileLock> lock =
        profile::ProfileLock::tryAcquire(profile.dir(), profile::kLockKindCommand);
    if (lock) {
      claim.lock = std::move(lock);
      return claim;
    }
    const std::optional<profile::LockHolder> holder = profile::ProfileLock::readHolder(profile.dir());
    if (holder && holder->kind == profile::kLockKindDesktop) {
      if (overridesGiven(options)) {
        claim.status = refuseOverrides(env.err());
        return claim;
      }
      profile::CommandRequest request;
      request.args.assign(argv + std::min(argc, 1), argv + argc);
      request.profile = profile.dir().string();
      std::error_code ec;
      request.cwd = std::filesystem::current_path(ec).string();
      request.stdout_is_terminal = env.outIsTerminal();
      request.input = input;
      const std::filesystem::path socket = profile::commandSocketPath(profile.dir());
      claim.status = forwardCommand(socket, holder->pid, request, env.out(), env.err(), options.wait_seconds);
      if (claim.status) return claim;
    }
    const auto waited = Clock::now() - start;
    if (waited >= limit) throw profile::ProfileBusy(profile.dir(), holder.value_or(profile::LockHolder{}));
    if (!noticed && waited >= std::chrono::seconds(1)) {
      noticed = true;
      env.err() << profileWaitNotice(holder.value_or(profile::LockHolder{}), profile.dir(), options.wait_seconds)
                << std::endl;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::optional<int> raiseRunningDesktop(const GlobalOptions& options) {
  // Only looks: a profile that does not exist yet has nobody running on it.
  const std::filesystem::path dir = profile::resolveProfilePath(options.profile);
  const auto start = Clock::now();
  for (;;) {
    const std::optional<profile::LockHolder> holder = profile::ProfileLock::readHolder(dir);
    if (!holder || holder->kind != profile::kLockKindDesktop) return std::nullopt;
    const Fd fd(connectTo(profile::commandSocketPath(dir), holder->pid));
    if (fd.get() >= 0 && sendAll(fd.get(), profile::encodeFrame(profile::FrameType::kRaise))) {
      std::ostringstream ignored;
      if (const std::optional<int> status = relay(fd.get(), holder->pid, kRaiseWait.count(), ignored, std::cerr);
          status == kExitOk) {
        std::cout << "Vostrel already runs on the profile " << dir.string() << " (process " << holder->pid
                  << "); its window was brought to the front.\n";
        return kExitOk;
      }
    }
    if (Clock::now() - start >= kRaiseWait) return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace app
