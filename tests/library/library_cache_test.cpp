// The library cache's file: what stands in its place when it is not a file.
#include "library/library_cache.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "profile/data_error.h"
#include "support/fake_host.h"

namespace library {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A cache that took a file and gives it back: the file is a usable cache.
void expectUsable(LibraryCache& cache) {
  cache.begin();
  cache.putFile("file:///m/a.flac", {1, 2, false}, "");
  cache.commit();
  EXPECT_EQ(cache.filesBelow("file:///m").size(), 1u);
}

// A folder, a pipe or a socket where the cache belongs locked every command
// on music folders out ("unable to open database file"), and SQLite would
// wait on a pipe for ever: each is set aside, as a damaged file is.
TEST(LibraryCacheTest, WhatIsNotAFileIsSetAsideAndTheCacheStartsAfresh) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* problem;
  };
  const Case cases[] = {
      {"folder",
       [](const fs::path& at) {
         fs::create_directory(at);
         std::ofstream(at / "inside") << "kept";
       },
       "is a folder, not a file"},
      {"pipe", [](const fs::path& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }, "is a pipe, not a file"},
      {"link to a folder",
       [](const fs::path& at) {
         fs::create_directory(at.parent_path() / "elsewhere");
         fs::create_directory_symlink(at.parent_path() / "elsewhere", at);
       },
       "is a folder, not a file"},
      {"socket",
       [](const fs::path& at) {
         const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::strncpy(address.sun_path, at.c_str(), sizeof address.sun_path - 1);
         ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << at;
         close(fd);
       },
       "is a socket, not a file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path file = dir.path() / LibraryCache::kFileName;
    c.make(file);
    LibraryCache cache(dir.path());
    const std::vector<std::string> notices = cache.takeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "The library cache " + file.string() + " " + c.problem + "; it was moved to " +
                              file.string() + ".damaged and the music folders are read again.");
    EXPECT_TRUE(fs::is_regular_file(file));
    expectUsable(cache);
    EXPECT_TRUE(fs::exists(fs::symlink_status(dir.path() / "library.db.damaged"))) << "set aside, not deleted";
    EXPECT_TRUE(LibraryCache(dir.path()).takeNotices().empty()) << "once";
  }
}

// library.db.damaged may hold what was set aside before: a folder that is
// not empty cannot be replaced, and the next free name is taken.
TEST(LibraryCacheTest, ATakenNameForWhatIsSetAsideMovesOnToTheNext) {
  TempDir dir;
  const fs::path file = dir.path() / LibraryCache::kFileName;
  fs::create_directories(dir.path() / "library.db.damaged" / "earlier");
  std::ofstream(dir.path() / "library.db.damaged.2") << "an earlier damaged file";
  fs::create_directory(file);
  LibraryCache cache(dir.path());
  const std::vector<std::string> notices = cache.takeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_TRUE(contains(notices[0], "moved to " + file.string() + ".damaged.3 ")) << notices[0];
  EXPECT_TRUE(fs::is_directory(dir.path() / "library.db.damaged" / "earlier"));
  EXPECT_TRUE(fs::is_regular_file(dir.path() / "library.db.damaged.2"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "library.db.damaged.3"));
  expectUsable(cache);
}

// Where it cannot be moved (here: a profile folder its user may not write
// to), opening refuses it, saying what it is and what to do.
TEST(LibraryCacheTest, WhatCannotBeSetAsideIsRefusedByName) {
  TempDir dir;
  const fs::path profile = dir.path() / "profile";
  const fs::path file = profile / LibraryCache::kFileName;
  fs::create_directories(file);
  // Root may write anywhere: the cache is opened by another user then.
  const bool root = geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  if (root) {
    ASSERT_EQ(chmod(dir.path().c_str(), 0711), 0);
    ASSERT_EQ(chown(profile.c_str(), kNobody, kNobody), 0);
  }
  ASSERT_EQ(chmod(profile.c_str(), 0555), 0);
  int messages[2];
  ASSERT_EQ(pipe(messages), 0);
  const pid_t child = fork();
  if (child == 0) {
    std::string message = "(no error)";
    if (!root || (setgid(kNobody) == 0 && setuid(kNobody) == 0)) {
      try {
        LibraryCache cache(profile);
      } catch (const profile::DataError& e) {
        message = e.what();
      }
    } else {
      message = "(could not become another user)";
    }
    (void)!write(messages[1], message.data(), message.size());
    _exit(0);
  }
  close(messages[1]);
  std::string message;
  char buffer[512];
  for (ssize_t n; (n = read(messages[0], buffer, sizeof buffer)) > 0;) {
    message.append(buffer, static_cast<std::size_t>(n));
  }
  close(messages[0]);
  waitpid(child, nullptr, 0);
  chmod(profile.c_str(), 0755);
  EXPECT_EQ(message, "The library cache " + file.string() + " is a folder, not a file, and it cannot be moved to " +
                         file.string() + ".damaged: Permission denied. Move it away to read the music folders.");
  EXPECT_TRUE(fs::is_directory(file)) << "left where it is";
}

}  // namespace
}  // namespace library
