// Profile folder resolution and preparation, file statistics, atomic writes.
#include "profile/profile.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile/data_error.h"
#include "profile/file_io.h"
#include "support/fake_host.h"

namespace profile {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ProfileTest, ResolutionPrecedence) {
  struct Case {
    const char* option;
    std::optional<std::string> profile_env, xdg, home;
    std::string expected;
  };
  const Case cases[] = {
      {"/opt/p", "/env/p", "/xdg", "/home/me", "/opt/p"},
      {"", "/env/p", "/xdg", "/home/me", "/env/p"},
      {"", "", "/xdg", "/home/me", "/xdg/vostrel"},        // empty counts as unset
      {"", std::nullopt, "/xdg/", "/home/me", "/xdg/vostrel"},
      {"", std::nullopt, "relative", "/home/me", "/home/me/.config/vostrel"},  // must be absolute
      {"", std::nullopt, std::nullopt, "/home/me", "/home/me/.config/vostrel"},
      {"/opt/./p/../q/", std::nullopt, std::nullopt, "/home/me", "/opt/q"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    ScopedEnv profile("VOSTREL_PROFILE", c.profile_env);
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(resolveProfilePath(c.option).string(), c.expected);
  }
}

TEST(ProfileTest, RelativeOptionBecomesAbsolute) {
  EXPECT_EQ(resolveProfilePath("sub/dir"), fs::current_path() / "sub/dir");
}

TEST(ProfileTest, OpenCreatesTheFolderAndItsConfigurationFolder) {
  TempDir dir;
  const fs::path folder = dir.path() / "a" / "b";
  const Profile profile = Profile::open(folder.string());
  EXPECT_TRUE(fs::is_directory(folder / "configuration"));
  EXPECT_EQ(profile.dir(), folder);
  EXPECT_EQ(profile.hostFolder(), "file://" + folder.string());
  EXPECT_EQ(profile.playlistsFile(), folder / "playlists.json");
  EXPECT_EQ(profile.settingsFile(), folder / "settings.json");
}

mode_t folderMode(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// What the profile makes is its owner's alone; what the user made keeps the
// mode they gave it.
TEST(ProfileTest, FoldersItMakesArePrivateAndOthersKeepTheirMode) {
  const mode_t umask_now = umask(022);
  struct Case {
    const char* name;
    std::optional<mode_t> profile_before, configuration_before;  // none: missing
    mode_t profile_after, configuration_after;
  };
  const Case cases[] = {
      {"new", std::nullopt, std::nullopt, 0700, 0700},
      {"the user's folder", 0755, std::nullopt, 0755, 0700},
      {"both there", 0750, 0755, 0750, 0755},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path folder = dir.path() / "parent" / "profile";
    if (c.profile_before) {
      fs::create_directories(folder);
      chmod(folder.c_str(), *c.profile_before);
    }
    if (c.configuration_before) {
      fs::create_directories(folder / "configuration");
      chmod((folder / "configuration").c_str(), *c.configuration_before);
    }
    const Profile profile(folder);
    EXPECT_EQ(folderMode(folder), c.profile_after);
    EXPECT_EQ(folderMode(folder / "configuration"), c.configuration_after);
    if (!c.profile_before) {
      EXPECT_EQ(folderMode(dir.path() / "parent"), 0755u) << "a folder above keeps the usual mode";
    }
  }
  umask(umask_now);
}

TEST(ProfileTest, FolderThatCannotBeCreatedIsAnErrorNamingIt) {
  TempDir dir;
  std::ofstream(dir.path() / "file") << "x";
  for (const fs::path& folder : {dir.path() / "file", dir.path() / "file" / "profile"}) {
    SCOPED_TRACE(folder);
    try {
      Profile profile(folder);
      FAIL() << "no error";
    } catch (const DataError& error) {
      EXPECT_NE(std::string(error.what()).find("\"" + folder.string() + "\""), std::string::npos) << error.what();
    }
  }
}

TEST(ProfileTest, StatFileAcceptsBothNotations) {
  TempDir dir;
  const fs::path file = dir.path() / "x.db";
  std::ofstream(file) << "hello";
  for (const std::string& path : {file.string(), "file://" + file.string()}) {
    const host::FileStats stats = statFile(path);
    EXPECT_TRUE(stats.found) << path;
    EXPECT_EQ(stats.size, 5u);
    EXPECT_GT(stats.mtime, 0);
  }
  EXPECT_FALSE(statFile("file://" + (dir.path() / "missing").string()).found);
  EXPECT_FALSE(statFile("").found);
}

TEST(ProfileTest, FileStatCacheRemembersMissingFoldersOnly) {
  TempDir dir;
  FileStatCache cache;
  const std::string root = "file://" + dir.path().string();
  EXPECT_FALSE(cache.stat(root + "/gone/a/1.flac").found);
  EXPECT_FALSE(cache.stat(root + "/missing.flac").found);  // the folder exists: not remembered
  fs::create_directories(dir.path() / "gone" / "a");
  std::ofstream(dir.path() / "gone" / "a" / "2.flac") << "xy";
  std::ofstream(dir.path() / "here.flac") << "abc";
  // A folder found missing stays missing for the cache; others are asked.
  EXPECT_FALSE(cache.stat(root + "/gone/a/2.flac").found);
  EXPECT_EQ(cache.stat(root + "/here.flac").size, 3u);
  EXPECT_TRUE(statFile(root + "/gone/a/2.flac").found);
  EXPECT_FALSE(cache.stat("").found);
}

TEST(AtomicWriteTest, ReplacesTheContentAndLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path file = dir.path() / "settings.json";
  writeFileAtomically(file, "first, longer content");
  writeFileAtomically(file, "second");
  EXPECT_EQ(readWholeFile(file), "second");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicWriteTest, KeepsThePermissionsOfTheFileItReplaces) {
  TempDir dir;
  const fs::path file = dir.path() / "f";
  writeFileAtomically(file, "a");
  ::chmod(file.c_str(), 0640);
  writeFileAtomically(file, "b");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(AtomicWriteTest, FailureNamesThePathAndLeavesTheOldContent) {
  TempDir dir;
  // A folder in the way of the rename: the write fails after the temporary
  // file was written, which must then be gone.
  const fs::path blocked = dir.path() / "blocked";
  fs::create_directories(blocked / "inside");
  try {
    writeFileAtomically(blocked, "x");
    FAIL() << "no error";
  } catch (const DataError& error) {
    EXPECT_NE(std::string(error.what()).find(blocked.string()), std::string::npos) << error.what();
  }
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));
  EXPECT_THROW(writeFileAtomically(dir.path() / "no" / "folder", "x"), DataError);
}

// A process id that was in use a moment ago and is free now.
pid_t deadProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// Killed writers leave their temporary files behind; opening the profile
// removes those whose writer is gone, and nothing else.
TEST(ProfileTest, OpeningRemovesTheTemporaryFilesOfWritersThatAreGone) {
  TempDir dir;
  const std::string dead = std::to_string(deadProcessId());
  const std::string own = std::to_string(::getpid());
  const std::string running = std::to_string(::getppid());
  struct Case {
    std::string name;
    bool stays;
  };
  const std::vector<Case> cases = {
      {".playlists.json.tmp-" + dead + "-0", false},
      {".layout.json.tmp-" + dead + "-12", false},
      {".settings.json.tmp-" + own + "-3", false},  // an earlier process with this id
      {".settings.json.tmp-" + running + "-0", true},
      {"playlists.json.tmp-" + dead + "-0", true},  // not a name this program makes
      {".playlists.json.tmp-" + dead + "-", true},
      {".playlists.json.tmp-" + dead + "-0x", true},
      {".playlists.json.tmp-x" + dead + "-0", true},
      {".tmp-" + dead + "-0", true},
      {"playlists.json", true},
      {"vostrel.lock", true},
  };
  for (const Case& c : cases) std::ofstream(dir.path() / c.name) << "{}";
  fs::create_directories(dir.path() / (".folder.tmp-" + dead + "-0"));

  Profile profile(dir.path());
  for (const Case& c : cases) {
    EXPECT_EQ(fs::exists(dir.path() / c.name), c.stays) << c.name;
  }
  EXPECT_TRUE(fs::is_directory(dir.path() / (".folder.tmp-" + dead + "-0")));
  EXPECT_EQ(removeStaleTemporaryFiles(dir.path()), 0);
  EXPECT_EQ(removeStaleTemporaryFiles(dir.path() / "missing"), 0);
}

}  // namespace
}  // namespace profile
