// The profile's owner lock: exclusion, waiting, the holder's line, and locks
// of dead processes.
#include "profile/profile_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "profile/data_error.h"
#include "support/fake_host.h"

namespace profile {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using testing_support::TempDir;

std::string fileText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::trunc) << text; }

LockWaiting noWait() { return LockWaiting{milliseconds(0), {}, {}}; }

// A pid that belonged to a process which has exited and been reaped.
pid_t deadPid() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

// A child process that takes the lock as `kind` and holds it until killed.
class ChildHolder {
 public:
  ChildHolder(const fs::path& dir, const char* kind) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      char ok = 0;
      try {
        ProfileLock lock = ProfileLock::acquire(dir, kind, noWait());
        ok = 1;
        (void)!write(fds[1], &ok, 1);
        for (;;) pause();
      } catch (...) {
        (void)!write(fds[1], &ok, 1);
      }
      _exit(1);
    }
    close(fds[1]);
    char ok = 0;
    EXPECT_EQ(read(fds[0], &ok, 1), 1);
    close(fds[0]);
    locked_ = ok == 1;
  }
  ~ChildHolder() { kill(); }
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  pid_t pid() const { return pid_; }
  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

TEST(ProfileLockTest, HolderWritesItsLineAndEmptiesItOnRelease) {
  TempDir dir;
  std::optional<LockHolder> before = ProfileLock::readHolder(dir.path());
  EXPECT_FALSE(before.has_value()) << "no lock file yet";
  {
    ProfileLock lock = ProfileLock::acquire(dir.path(), "desktop", noWait());
    EXPECT_EQ(fileText(dir.path() / "profile.lock"), std::to_string(getpid()) + " desktop\n");
    const std::optional<LockHolder> holder = ProfileLock::readHolder(dir.path());
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->pid, getpid());
    EXPECT_EQ(holder->kind, "desktop");
  }
  EXPECT_EQ(fileText(dir.path() / "profile.lock"), "");
  EXPECT_FALSE(ProfileLock::readHolder(dir.path()).has_value());
  EXPECT_TRUE(ProfileLock::tryAcquire(dir.path(), "command").has_value()) << "free again after release";
}

TEST(ProfileLockTest, SecondTakerIsRefusedWithTheHolderNamed) {
  TempDir dir;
  ProfileLock lock = ProfileLock::acquire(dir.path(), "command", noWait());
  // Another open of the file conflicts even inside one process.
  EXPECT_FALSE(ProfileLock::tryAcquire(dir.path(), "command").has_value());
  try {
    ProfileLock::acquire(dir.path(), "command", noWait());
    FAIL() << "the lock was taken twice";
  } catch (const ProfileBusy& busy) {
    EXPECT_EQ(busy.holder().pid, getpid());
    EXPECT_EQ(busy.holder().kind, "command");
    EXPECT_EQ(busy.profileDir(), dir.path());
    EXPECT_EQ(std::string(busy.what()),
              "The profile " + dir.path().string() + " is in use by process " + std::to_string(getpid()) +
                  " (command)");
  }
  EXPECT_EQ(fileText(dir.path() / "profile.lock"), std::to_string(getpid()) + " command\n")
      << "a refused taker leaves the holder's line alone";
}

TEST(ProfileLockTest, WaitsForTheTimeoutAndNoticesOnce) {
  struct Case {
    int timeout_ms;
    int notice_after_ms;
    int expected_notices;
  };
  const Case cases[] = {{250, 50, 1}, {100, 1000, 0}, {0, 0, 0}};
  TempDir dir;
  ChildHolder child(dir.path(), "command");
  ASSERT_TRUE(child.locked());
  for (const Case& c : cases) {
    int notices = 0;
    LockHolder noticed;
    LockWaiting waiting{milliseconds(c.timeout_ms), milliseconds(c.notice_after_ms), [&](const LockHolder& h) {
                          ++notices;
                          noticed = h;
                        }};
    const auto start = Clock::now();
    EXPECT_THROW(ProfileLock::acquire(dir.path(), "command", waiting), ProfileBusy) << c.timeout_ms;
    const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, c.timeout_ms);
    EXPECT_LT(waited, c.timeout_ms + 500);
    EXPECT_EQ(notices, c.expected_notices) << c.timeout_ms;
    if (notices > 0) {
      EXPECT_EQ(noticed.describe(), "process " + std::to_string(child.pid()) + " (command)");
    }
  }
}

TEST(ProfileLockTest, WaiterGetsTheLockWhenTheHolderEnds) {
  TempDir dir;
  const pid_t child = fork();
  if (child == 0) {
    try {
      ProfileLock lock = ProfileLock::acquire(dir.path(), "command", noWait());
      usleep(300 * 1000);
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  // Until the child holds it.
  for (int i = 0; i < 200 && !ProfileLock::readHolder(dir.path()); ++i) usleep(5 * 1000);
  ASSERT_TRUE(ProfileLock::readHolder(dir.path()).has_value()) << "the child never took the lock";
  const auto start = Clock::now();
  ProfileLock lock = ProfileLock::acquire(dir.path(), "command", LockWaiting{milliseconds(5000), {}, {}});
  EXPECT_TRUE(lock.held());
  EXPECT_LT(Clock::now() - start, milliseconds(2000));
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
}

TEST(ProfileLockTest, DeadHolderNeverBlocks) {
  TempDir dir;
  ChildHolder child(dir.path(), "desktop");
  ASSERT_TRUE(child.locked());
  const std::optional<LockHolder> holder = ProfileLock::readHolder(dir.path());
  ASSERT_TRUE(holder.has_value());
  EXPECT_EQ(holder->pid, child.pid());
  EXPECT_EQ(holder->kind, "desktop");
  EXPECT_FALSE(ProfileLock::tryAcquire(dir.path(), "command").has_value());

  child.kill();  // no chance to release or empty the file
  EXPECT_FALSE(ProfileLock::readHolder(dir.path()).has_value()) << "the dead holder's line is stale";
  EXPECT_TRUE(ProfileLock::tryAcquire(dir.path(), "command").has_value());
}

// What a waiter makes of the line while someone (here a bare flock) holds
// the lock: only a complete line naming a living process counts.
TEST(ProfileLockTest, HolderLineReadByWaiters) {
  const std::string self = std::to_string(getpid());
  const std::string dead = std::to_string(deadPid());
  struct Case {
    std::string content;
    std::string expected;
  };
  const Case cases[] = {
      {self + " desktop\n", "process " + self + " (desktop)"},
      {self + " command\nleftover", "process " + self + " (command)"},
      {"", "an unknown process"},  // between the holder's truncate and write
      {self + " comm", "an unknown process"},  // half written
      {self + "\n", "an unknown process"},
      {dead + " command\n", "an unknown process"},  // the previous holder, gone
      {"0 command\n", "an unknown process"},
      {"-5 command\n", "an unknown process"},
      {"12x command\n", "an unknown process"},
      {self + " Desk top\n", "an unknown process"},
      {self + " \n", "an unknown process"},
  };
  TempDir dir;
  const fs::path file = ProfileLock::filePath(dir.path());
  for (const Case& c : cases) {
    writeFile(file, c.content);
    const int fd = open(file.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    const std::optional<LockHolder> holder = ProfileLock::readHolder(dir.path());
    ASSERT_TRUE(holder.has_value()) << c.content;
    EXPECT_EQ(holder->describe(), c.expected) << c.content;
    try {
      ProfileLock::acquire(dir.path(), "command", noWait());
      ADD_FAILURE() << "taken while held: " << c.content;
    } catch (const ProfileBusy& busy) {
      EXPECT_EQ(busy.holder().describe(), c.expected) << c.content;
    }
    close(fd);
  }
}

mode_t fileMode(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// flock() needs no more than a read-only descriptor: whoever can open the
// file can hold the lock, so nobody else may open it.
TEST(ProfileLockTest, TheLockFileIsPrivate) {
  const std::optional<mode_t> cases[] = {std::nullopt, 0644, 0666, 0640, 0600};  // none: no file yet
  for (const std::optional<mode_t>& before : cases) {
    SCOPED_TRACE(before ? std::to_string(*before) : "new");
    TempDir dir;
    const fs::path file = ProfileLock::filePath(dir.path());
    if (before) {
      writeFile(file, "");
      ASSERT_EQ(chmod(file.c_str(), *before), 0);
    }
    ProfileLock::acquire(dir.path(), "command", noWait());
    EXPECT_EQ(fileMode(file), 0600u);
  }
}

// A process of another user that opened a lock file before it was private
// holds the lock: the waiter is told whose it is, and the line in the file
// (which that user may have written) is not believed.
TEST(ProfileLockTest, AHolderOfAnotherUserIsNamedWithItsUid) {
  if (geteuid() != 0) GTEST_SKIP() << "becoming another user needs root";
  constexpr uid_t kNobody = 65534;
  TempDir dir;
  const fs::path file = ProfileLock::filePath(dir.path());
  writeFile(file, std::to_string(getpid()) + " desktop\n");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    const int fd = open(file.c_str(), O_RDONLY);
    const bool held = fd >= 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0 && flock(fd, LOCK_SH) == 0;
    (void)!write(ready[1], held ? "1" : "0", 1);
    for (;;) pause();
  }
  close(ready[1]);
  {
    struct EndAtExit {
      pid_t pid;
      ~EndAtExit() {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    } end_child{child};
    char held = '0';
    EXPECT_EQ(read(ready[0], &held, 1), 1);
    close(ready[0]);
    ASSERT_EQ(held, '1') << "the child could not take the lock as another user";
    const std::string expected = "process " + std::to_string(child) + " of another user (uid 65534)";
    const std::optional<LockHolder> holder = ProfileLock::readHolder(dir.path());
    ASSERT_TRUE(holder.has_value()) << "a shared lock keeps takers out as well";
    EXPECT_EQ(holder->describe(), expected);
    EXPECT_EQ(holder->kind, "") << "not a desktop program to forward commands to";
    try {
      ProfileLock::acquire(dir.path(), "command", noWait());
      ADD_FAILURE() << "taken while another user holds it";
    } catch (const ProfileBusy& busy) {
      EXPECT_EQ(std::string(busy.what()), "The profile " + dir.path().string() + " is in use by " + expected);
    }
  }
  EXPECT_TRUE(ProfileLock::tryAcquire(dir.path(), "command").has_value()) << "free once that process has gone";
}

TEST(ProfileLockTest, MovingKeepsOneHolder) {
  TempDir dir;
  ProfileLock first = ProfileLock::acquire(dir.path(), "command", noWait());
  ProfileLock second = std::move(first);
  EXPECT_FALSE(first.held());  // NOLINT(bugprone-use-after-move): the moved-from state is the point
  EXPECT_TRUE(second.held());
  first.release();
  EXPECT_TRUE(ProfileLock::readHolder(dir.path()).has_value()) << "releasing the moved-from lock lets nothing go";
  second.release();
  EXPECT_FALSE(ProfileLock::readHolder(dir.path()).has_value());
}

TEST(ProfileLockTest, RefusesBadKindsAndUnusableFiles) {
  TempDir dir;
  for (const char* kind : {"", "Desktop", "two words", "a\nb", "a-very-long-kind-name-beyond-the-limit"}) {
    EXPECT_THROW(ProfileLock::acquire(dir.path(), kind, noWait()), std::invalid_argument) << kind;
  }
  fs::create_directory(ProfileLock::filePath(dir.path()));
  EXPECT_THROW(ProfileLock::acquire(dir.path(), "command", noWait()), DataError);
  EXPECT_THROW(ProfileLock::acquire(dir.path() / "missing", "command", noWait()), DataError);
}

}  // namespace
}  // namespace profile
