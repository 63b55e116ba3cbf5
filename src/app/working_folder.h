// A forwarded command runs in its sender's working folder, so that relative
// paths mean what they meant where the command was typed.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace app {

// Changes to `folder` for the object's life; error() says why it could not.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder) : previous_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (previous_ >= 0 && ::chdir(folder.c_str()) == 0) return;
    error_ = std::strerror(errno);
  }
  ~WorkingFolder() {
    if (previous_ < 0) return;
    if (error_.empty() && ::fchdir(previous_) != 0) {
      // The program's own paths are absolute; nothing depends on it.
    }
    ::close(previous_);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  const std::string& error() const { return error_; }

 private:
  int previous_;
  std::string error_;
};

}  // namespace app
