// Atomic writes and whole-file reads; see file_io.h.
#include "player/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>

#include "player/player_error.h"

namespace player {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const char* action, const fs::path& path, int error) {
  throw PlayerError(std::string("Cannot ") + action + " \"" + path.string() + "\": " + std::strerror(error));
}

// Writes all of `bytes` to `fd`; returns 0 or the errno of the failure.
int writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

constexpr std::string_view kTemporaryMark = ".tmp-";

// The writer's process id in a temporary file's name ".<name>.tmp-PID-N";
// 0 when the name is not of that form.
pid_t temporaryWriter(std::string_view name) {
  if (name.size() < 2 || name.front() != '.') return 0;
  const std::size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark < 2) return 0;
  std::string_view rest = name.substr(mark + kTemporaryMark.size());
  const std::size_t dash = rest.find('-');
  if (dash == std::string_view::npos || dash + 1 == rest.size()) return 0;
  const std::string_view pid_text = rest.substr(0, dash);
  const std::string_view counter = rest.substr(dash + 1);
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(pid_text.data(), pid_text.data() + pid_text.size(), pid);
  if (error != std::errc() || end != pid_text.data() + pid_text.size() || pid <= 0) return 0;
  for (char c : counter) {
    if (c < '0' || c > '9') return 0;
  }
  return pid;
}

// Whether the process `pid` could still be writing: it exists and is not
// this one (this process has no write under way while it cleans up).
bool writerAlive(pid_t pid) {
  if (pid == getpid()) return false;
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Creates a fresh temporary file beside `path`; returns its descriptor.
int createTemporary(const fs::path& path, fs::path& temporary) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path.parent_path() / ("." + path.filename().string() + ".tmp-" + std::to_string(getpid()) + "-" +
                                      std::to_string(counter++));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) fail("write", path, errno);
  }
  fail("write", path, EEXIST);
}

// Best effort: makes the rename itself durable.
void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

void writeFileAtomically(const fs::path& path, std::string_view bytes) {
  fs::path temporary;
  const int fd = createTemporary(path, temporary);
  int error = writeAll(fd, bytes);
  if (error == 0) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) ::fchmod(fd, existing.st_mode & 07777);
    if (::fsync(fd) != 0) error = errno;
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    fail("write", path, error);
  }
  syncFolder(path.parent_path());
}

int removeStaleTemporaryFiles(const fs::path& folder) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const pid_t pid = temporaryWriter(it->path().filename().native());
    if (pid == 0 || writerAlive(pid)) continue;
    std::error_code type_error;
    if (!it->is_regular_file(type_error)) continue;
    if (::unlink(it->path().c_str()) == 0) ++removed;
  }
  return removed;
}

std::string readWholeFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("read", path, errno);
  std::string content;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    fail("read", path, EISDIR);
  }
  if (info.st_size > 0) content.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      fail("read", path, error);
    }
    content.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return content;
}

FileContent::FileContent(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("read", path, errno);
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    void* mapping = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping != MAP_FAILED) {
      ::madvise(mapping, static_cast<std::size_t>(info.st_size), MADV_SEQUENTIAL);
      mapping_ = mapping;
      mapped_size_ = static_cast<std::size_t>(info.st_size);
      text_ = std::string_view(static_cast<const char*>(mapping), mapped_size_);
    }
  }
  ::close(fd);
  if (mapping_ == nullptr) {
    copy_ = readWholeFile(path);
    text_ = copy_;
  }
}

FileContent::~FileContent() {
  if (mapping_ != nullptr) ::munmap(mapping_, mapped_size_);
}

}  // namespace player
