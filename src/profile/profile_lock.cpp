// The profile's owner lock; see profile_lock.h.
#include "profile/profile_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "profile/data_error.h"

namespace profile {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxKindLength = 32;

bool validKind(std::string_view kind) {
  return !kind.empty() && kind.size() <= kMaxKindLength &&
         std::all_of(kind.begin(), kind.end(), [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; });
}

[[noreturn]] void fail(const std::string& what, const fs::path& path) {
  throw DataError("Cannot " + what + " the profile lock \"" + path.string() + "\": " + std::strerror(errno));
}

int openLockFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) fail("open", path);
  // A file that others may open (made before the lock file was private, or
  // by hand) is closed to them from now on. One that is not ours cannot be
  // changed, and is used as it is.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && (info.st_mode & 077) != 0 && info.st_uid == ::geteuid()) {
    [[maybe_unused]] const int changed = ::fchmod(fd, 0600);
  }
  return fd;
}

// Whether the exclusive lock was taken; false when someone else holds it.
bool tryLock(int fd, const fs::path& path) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EWOULDBLOCK) return false;
    if (errno != EINTR) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
      fail("take", path);
    }
  }
}

bool processAlive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// The holder named in the lock file, as far as it can be trusted: a line
// that is not (yet) complete, or that names a process that is gone, is an
// unknown holder.
LockHolder readIdentity(int fd) {
  std::array<char, 64> buffer{};
  const ssize_t length = ::pread(fd, buffer.data(), buffer.size(), 0);
  if (length <= 0) return {};
  const std::string_view line(buffer.data(), static_cast<std::size_t>(length));
  const std::size_t space = line.find(' ');
  const std::size_t end = line.find('\n');
  if (space == std::string_view::npos || end == std::string_view::npos || end < space) return {};
  pid_t pid = 0;
  const auto [rest, error] = std::from_chars(line.data(), line.data() + space, pid);
  const std::string_view kind = line.substr(space + 1, end - space - 1);
  if (error != std::errc() || rest != line.data() + space || pid <= 0 || !validKind(kind)) return {};
  if (!processAlive(pid)) return {};
  return {pid, std::string(kind), std::nullopt};
}

// The real uid of process `pid`; nullopt when it cannot be read (gone, or
// /proc hides it).
std::optional<uid_t> processUid(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (!line.starts_with("Uid:")) continue;
    uid_t uid = 0;
    std::istringstream fields(line.substr(4));
    if (fields >> uid) return uid;
    return std::nullopt;
  }
  return std::nullopt;
}

// The processes that hold a flock on the file open as `fd`, as the system's
// lock table lists them, one line per lock:
//   "3: FLOCK  ADVISORY  READ 4711 08:02:1835 0 EOF"
// (device major and minor in hex, then the inode). Waiters are listed as
// "3: -> FLOCK ..." and hold nothing. A holder in another pid namespace is
// listed as pid 0, and left out here.
std::vector<pid_t> flockHolders(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return {};
  std::array<char, 64> file{};
  std::snprintf(file.data(), file.size(), "%02x:%02x:%" PRIuMAX, major(info.st_dev), minor(info.st_dev),
                static_cast<uintmax_t>(info.st_ino));
  std::vector<pid_t> pids;
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, type, mode, access, id;
    pid_t pid = 0;
    if (!(fields >> number >> type) || type != "FLOCK") continue;
    if (fields >> mode >> access >> pid >> id && id == file.data() && pid > 0) pids.push_back(pid);
  }
  return pids;
}

// A process of another user that holds a lock (of either kind) on the file
// open as `fd`, as the lock table names it.
std::optional<LockHolder> otherUsersHolder(int fd) {
  for (const pid_t pid : flockHolders(fd)) {
    const std::optional<uid_t> uid = processUid(pid);
    if (uid && *uid != ::getuid()) return LockHolder{pid, {}, uid};
  }
  return std::nullopt;
}

// The holder of the lock on the file open as `fd`: a process of another
// user, else the one the line names.
LockHolder holderOf(int fd) {
  if (std::optional<LockHolder> other = otherUsersHolder(fd)) return *other;
  return readIdentity(fd);
}

void writeIdentity(int fd, std::string_view kind) {
  // The line only informs waiters; a full disk must not cost the lock.
  const std::string line = std::to_string(::getpid()) + " " + std::string(kind) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, line.data(), line.size(), 0);
  }
}

}  // namespace

std::string LockHolder::describe() const {
  if (pid <= 0) return "an unknown process";
  if (other_uid) return "process " + std::to_string(pid) + " of another user (uid " + std::to_string(*other_uid) + ")";
  return "process " + std::to_string(pid) + " (" + (kind.empty() ? std::string("unknown") : kind) + ")";
}

ProfileBusy::ProfileBusy(const fs::path& profile_dir, LockHolder holder)
    : std::runtime_error("The profile " + profile_dir.string() + " is in use by " + holder.describe()),
      profile_dir_(profile_dir),
      holder_(std::move(holder)) {}

ProfileLock ProfileLock::acquire(const fs::path& profile_dir, std::string_view kind, const LockWaiting& waiting) {
  if (!validKind(kind)) throw std::invalid_argument("invalid profile lock kind: " + std::string(kind));
  const fs::path path = filePath(profile_dir);
  const int fd = openLockFile(path);
  const auto start = Clock::now();
  auto pause = std::chrono::milliseconds(5);
  bool noticed = false;
  while (!tryLock(fd, path)) {
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (waited >= waiting.timeout) {
      LockHolder holder = holderOf(fd);
      ::close(fd);
      throw ProfileBusy(profile_dir, std::move(holder));
    }
    if (!noticed && waiting.notice && waited >= waiting.notice_after) {
      noticed = true;
      waiting.notice(holderOf(fd));
    }
    std::this_thread::sleep_for(std::min(pause, waiting.timeout - waited));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  writeIdentity(fd, kind);
  return ProfileLock(fd, path);
}

std::optional<ProfileLock> ProfileLock::tryAcquire(const fs::path& profile_dir, std::string_view kind) {
  try {
    return acquire(profile_dir, kind, LockWaiting{std::chrono::milliseconds(0), {}, {}});
  } catch (const ProfileBusy&) {
    return std::nullopt;
  }
}

std::optional<LockHolder> ProfileLock::readHolder(const fs::path& profile_dir) {
  const fs::path path = filePath(profile_dir);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    fail("read", path);
  }
  // A shared lock is granted only while nobody holds the exclusive one; a
  // shared one that another user holds keeps takers out all the same.
  std::optional<LockHolder> holder;
  if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
    ::flock(fd, LOCK_UN);
    holder = otherUsersHolder(fd);
  } else if (errno == EWOULDBLOCK) {
    holder = holderOf(fd);
  } else {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    fail("read", path);
  }
  ::close(fd);
  return holder;
}

ProfileLock::ProfileLock(ProfileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

ProfileLock& ProfileLock::operator=(ProfileLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

void ProfileLock::release() {
  if (fd_ < 0) return;
  // Emptied while still held, so that no reader takes the old line for the
  // next holder's.
  [[maybe_unused]] const int truncated = ::ftruncate(fd_, 0);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace profile
