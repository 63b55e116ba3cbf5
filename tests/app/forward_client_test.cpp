// A command that finds the desktop program holding the profile: it tries to
// send itself there until the program answers, runs on its own once the
// profile is free, and gives up when its wait runs out. The desktop program
// is a fake that listens from a thread of this process (which holds the
// profile's lock as "desktop", so that the client trusts it).
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "app/cli.h"
#include "app/forward_client.h"
#include "profile/profile.h"
#include "support/fake_host.h"

namespace app {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class TestEnv : public CommandEnv {
 public:
  std::ostream& out() override { return out_; }
  std::ostream& err() override { return err_; }
  std::istream& in() override { return in_; }
  bool outIsTerminal() const override { return false; }
  bool takeInterrupt() override { return false; }

  std::ostringstream out_, err_;
  std::istringstream in_;
};

// How the fake program answers a connection whose request it has read.
using Answer = std::function<void(int fd, const profile::CommandRequest& request)>;

// Listens on `socket` from `delay` on, until destroyed, answering each
// connection as `answer` says.
class FakeDesktop {
 public:
  FakeDesktop(std::filesystem::path socket, milliseconds delay, Answer answer)
      : thread_([this, socket = std::move(socket), delay, answer = std::move(answer)] {
          std::this_thread::sleep_for(delay);
          serve(socket, answer);
        }) {}
  ~FakeDesktop() {
    stop_ = true;
    thread_.join();
  }
  int connections() const { return connections_; }
  const profile::CommandRequest& lastRequest() const { return last_request_; }

 private:
  void serve(const std::filesystem::path& socket, const Answer& answer) {
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ::unlink(socket.c_str());
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 8) != 0) {
      ADD_FAILURE() << "the fake program cannot listen on " << socket;
      return;
    }
    while (!stop_) {
      pollfd wait{listener, POLLIN, 0};
      if (::poll(&wait, 1, 20) != 1) continue;
      const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++connections_;
      profile::FrameReader reader;
      char buffer[4096];
      std::optional<profile::Frame> frame;
      ssize_t got;
      while (!frame && (got = ::read(fd, buffer, sizeof buffer)) > 0) {
        reader.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
        frame = reader.next();
      }
      if (frame && frame->type == profile::FrameType::kRequest) {
        last_request_ = profile::decodeRequest(frame->payload);
        answer(fd, last_request_);
      }
      ::close(fd);
    }
    ::close(listener);
    ::unlink(socket.c_str());
  }

  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  profile::CommandRequest last_request_;
  std::thread thread_;
};

void sendFrame(int fd, profile::FrameType type, std::string_view payload = {}) {
  const std::string frame = profile::encodeFrame(type, payload);
  ASSERT_EQ(::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL), static_cast<ssize_t>(frame.size()));
}

// Runs the command's answer: "ran ARGS..." on stdout, status 0.
void runIt(int fd, const profile::CommandRequest& request) {
  std::string text = "ran";
  for (const std::string& arg : request.args) text += " " + arg;
  sendFrame(fd, profile::FrameType::kStarted);
  sendFrame(fd, profile::FrameType::kStdout, text + "\n");
  sendFrame(fd, profile::FrameType::kExit, profile::encodeExitStatus(0));
}

// Ends the connection unrun, as a program that quits does.
void dropIt(int, const profile::CommandRequest&) {}

class ForwardClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile::Profile::open(profile_dir().string());
    desktop_lock_.emplace(profile::ProfileLock::acquire(profile_dir(), profile::kLockKindDesktop, {}));
  }

  std::filesystem::path profile_dir() const { return dir_.path() / "profile"; }
  std::filesystem::path socket() const { return profile::commandSocketPath(profile_dir()); }

  // Claims the profile for `vostrel --profile DIR [extra] playlists`.
  ProfileClaim claim(double wait, std::vector<std::string> extra = {}) {
    options_.profile = profile_dir().string();
    options_.wait_seconds = wait;
    args_ = {"vostrel", "--profile", profile_dir().string()};
    args_.insert(args_.end(), extra.begin(), extra.end());
    args_.push_back("playlists");
    std::vector<char*> argv;
    for (std::string& arg : args_) argv.push_back(arg.data());
    return claimProfile(env_, options_, static_cast<int>(argv.size()), argv.data(), std::nullopt);
  }

  testing_support::TempDir dir_;
  std::optional<profile::ProfileLock> desktop_lock_;
  GlobalOptions options_;
  std::vector<std::string> args_;
  TestEnv env_;
};

TEST_F(ForwardClientTest, TriesAgainUntilTheProgramAnswers) {
  // The program holds the lock but does not listen yet, as while it starts.
  const FakeDesktop desktop(socket(), milliseconds(400), runIt);
  const auto start = Clock::now();
  const ProfileClaim claimed = claim(5);
  EXPECT_GE(Clock::now() - start, milliseconds(400));
  ASSERT_EQ(claimed.status, std::optional<int>(kExitOk)) << env_.err_.str();
  EXPECT_FALSE(claimed.lock);
  EXPECT_EQ(env_.out_.str(), "ran --profile " + profile_dir().string() + " playlists\n");
  EXPECT_EQ(desktop.connections(), 1);
  EXPECT_EQ(desktop.lastRequest().profile, profile_dir().string());
}

TEST_F(ForwardClientTest, RunsOnItsOwnWhenTheProgramQuitsBeforeStartingIt) {
  const FakeDesktop desktop(socket(), milliseconds(0), dropIt);
  std::thread quits([&] {
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (desktop.connections() < 2 && Clock::now() < until) std::this_thread::sleep_for(milliseconds(5));
    desktop_lock_.reset();
  });
  const ProfileClaim claimed = claim(5);
  quits.join();
  EXPECT_FALSE(claimed.status) << env_.out_.str() << env_.err_.str();
  ASSERT_TRUE(claimed.lock);
  EXPECT_TRUE(claimed.lock->held());
  EXPECT_EQ(env_.out_.str(), "");
}

TEST_F(ForwardClientTest, GivesUpWhenTheWaitRunsOut) {
  const struct {
    const char* name;
    Answer answer;  // empty: nothing listens
  } cases[] = {{"nothing listens", {}}, {"the program ends every connection unrun", dropIt}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<FakeDesktop> desktop;
    if (c.answer) desktop.emplace(socket(), milliseconds(0), c.answer);
    const auto start = Clock::now();
    EXPECT_THROW(claim(0.3), profile::ProfileBusy);
    EXPECT_GE(Clock::now() - start, milliseconds(300));
    EXPECT_LT(Clock::now() - start, milliseconds(3000));
  }
}

TEST_F(ForwardClientTest, OverridesAreRefusedWithoutSendingAnything) {
  const FakeDesktop desktop(socket(), milliseconds(0), runIt);
  options_.sets = {"console_row_limit=5"};
  const ProfileClaim claimed = claim(5, {"--set", "console_row_limit=5"});
  EXPECT_EQ(claimed.status, std::optional<int>(kExitBadInput));
  EXPECT_NE(env_.err_.str().find("--library and --set apply only"), std::string::npos) << env_.err_.str();
  EXPECT_EQ(desktop.connections(), 0);
}

}  // namespace
}  // namespace app
