// Atomic writes and whole-file reads; see file_io.h.
#include "profile/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>

#include "profile/data_error.h"

namespace profile {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const char* action, const fs::path& path, int error) {
  throw DataError(std::string("Cannot ") + action + " \"" + path.string() + "\": " + std::strerror(error));
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

[[noreturn]] void refuse(const fs::path& path, const std::string& reason) {
  throw DataError("Cannot read \"" + path.string() + "\": " + reason);
}

// "4 MiB", "1 GiB", or a count of bytes.
std::string describeSize(uint64_t bytes) {
  if (bytes >= kGiB && bytes % kGiB == 0) return std::to_string(bytes / kGiB) + " GiB";
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  return std::to_string(bytes) + " bytes";
}

// Opens `path` for reading when it is a regular file of at most `max_bytes`
// and fills `info`. Opening does not block, so that a pipe without a writer
// is refused rather than waited for.
int openRegularFile(const fs::path& path, uint64_t max_bytes, struct stat& info) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) fail("read", path, errno);
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    fail("read", path, error);
  }
  std::string problem;
  if (S_ISDIR(info.st_mode)) {
    problem = "it is a folder, not a file";
  } else if (!S_ISREG(info.st_mode)) {
    problem = "it is not a regular file";
  } else if (static_cast<uint64_t>(info.st_size) > max_bytes) {
    problem = "it is larger than " + describeSize(max_bytes);
  }
  if (!problem.empty()) {
    ::close(fd);
    refuse(path, problem);
  }
  return fd;
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

std::string readWholeFile(const fs::path& path, uint64_t max_bytes) {
  struct stat info {};
  const int fd = openRegularFile(path, max_bytes, info);
  std::string content;
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
    if (content.size() > max_bytes) {  // grew since it was opened
      ::close(fd);
      refuse(path, "it is larger than " + describeSize(max_bytes));
    }
  }
  ::close(fd);
  return content;
}

FileContent::FileContent(const fs::path& path, uint64_t max_bytes) {
  struct stat info {};
  const int fd = openRegularFile(path, max_bytes, info);
  if (info.st_size > 0) {
    void* mapping = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping != MAP_FAILED) {
      ::madvise(mapping, static_cast<std::size_t>(info.st_size), MADV_SEQUENTIAL);
      mapping_ = mapping;
      mapped_size_ = static_cast<std::size_t>(info.st_size);
      text_ = std::string_view(static_cast<const char*>(mapping), mapped_size_);
    }
  }
  ::close(fd);
  if (mapping_ == nullptr && info.st_size > 0) {
    copy_ = readWholeFile(path, max_bytes);
    text_ = copy_;
  }
}

void FileContent::releaseBefore(std::size_t offset) {
  // In steps of a few MiB: each call costs a system call.
  constexpr std::size_t kStep = std::size_t{8} << 20;
  if (mapping_ == nullptr || offset < released_ + kStep) return;
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t end = std::min(offset, mapped_size_) / page * page;
  if (end <= released_) return;
  ::madvise(static_cast<char*>(mapping_) + released_, end - released_, MADV_DONTNEED);
  released_ = end;
}

FileContent::~FileContent() {
  if (mapping_ != nullptr) ::munmap(mapping_, mapped_size_);
}

}  // namespace profile
