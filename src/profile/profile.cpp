// Profile folder resolution and preparation; see profile.h.
#include "profile/profile.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "profile/data_error.h"
#include "profile/file_io.h"

namespace profile {
namespace {

namespace fs = std::filesystem;

// The value of an environment variable, or "" when unset.
std::string_view env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

std::string homeFolder() {
  if (std::string_view home = env("HOME"); !home.empty()) return std::string(home);
  // No $HOME (a service or a stripped environment): ask the password database.
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr &&
                                                entry->pw_dir[0] != '\0') {
    return entry->pw_dir;
  }
  throw DataError("Cannot find the home folder for the profile: set HOME, VOSTREL_PROFILE or use --profile");
}

// Absolute, normalised, without a trailing separator (except for "/").
fs::path cleanPath(const fs::path& path) {
  fs::path result = fs::absolute(path).lexically_normal();
  if (!result.has_filename() && result.has_relative_path()) result = result.parent_path();
  return result;
}

// Creates `dir` when missing and checks it is a writable folder.
// `role` names the folder in messages ("profile folder").
//
// A folder made here is private to its owner (0700): the profile holds the
// owner lock, which any user who can open it can hold, and the user's
// playlists and tree. Folders above it that are missing get the usual mode,
// and a folder that exists keeps its mode: it is the user's (an existing
// --profile DIR), and so is the choice of who may look into it.
void prepareFolder(const fs::path& dir, const std::string& role) {
  std::error_code ec;
  if (dir.has_relative_path()) fs::create_directories(dir.parent_path(), ec);
  if (!ec && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) ec.assign(errno, std::generic_category());
  if (ec) {
    throw DataError("Cannot create the " + role + " \"" + dir.string() + "\": " + ec.message());
  }
  if (!fs::is_directory(dir, ec)) {
    throw DataError("The " + role + " \"" + dir.string() + "\" is not a folder");
  }
  if (access(dir.c_str(), W_OK | X_OK) != 0) {
    throw DataError("The " + role + " \"" + dir.string() + "\" is not writable: " + std::strerror(errno));
  }
}

}  // namespace

fs::path resolveProfilePath(std::string_view option) {
  if (!option.empty()) return cleanPath(fs::path(option));
  if (std::string_view profile = env("VOSTREL_PROFILE"); !profile.empty()) return cleanPath(fs::path(profile));
  if (std::string_view config = env("XDG_CONFIG_HOME"); !config.empty() && config.front() == '/') {
    return cleanPath(fs::path(config) / "vostrel");
  }
  return cleanPath(fs::path(homeFolder()) / ".config" / "vostrel");
}

Profile Profile::open(std::string_view option) { return Profile(resolveProfilePath(option)); }

Profile::Profile(const fs::path& dir) : dir_(cleanPath(dir)) {
  prepareFolder(dir_, "profile folder");
  prepareFolder(configurationDir(), "configuration folder");
  removeStaleTemporaryFiles(dir_);
}

std::string Profile::hostFolder() const { return toHostNotation(dir_); }

std::string toHostNotation(const fs::path& path) {
  return std::string(kHostPathPrefix) + cleanPath(path).string();
}

std::string_view plainPath(std::string_view path) {
  if (path.starts_with(kHostPathPrefix)) path.remove_prefix(kHostPathPrefix.size());
  return path;
}

host::FileStats statFile(std::string_view path) {
  const std::string plain(plainPath(path));
  struct stat info {};
  if (plain.empty() || ::stat(plain.c_str(), &info) != 0) return {};
  return {true, static_cast<uint64_t>(info.st_size), static_cast<int64_t>(info.st_mtime)};
}

host::FileStats FileStatCache::stat(std::string_view path) {
  const std::string_view plain = plainPath(path);
  if (!missing_.empty()) {
    for (std::size_t slash = plain.find('/', 1); slash != std::string_view::npos; slash = plain.find('/', slash + 1)) {
      if (missing_.contains(std::string(plain.substr(0, slash)))) return {};
    }
  }
  const std::string file(plain);
  struct stat info {};
  if (file.empty() || ::stat(file.c_str(), &info) != 0) {
    if (errno == ENOENT && file.starts_with('/')) {
      // The highest folder that is missing, if any.
      for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
        const std::string folder = file.substr(0, slash);
        struct stat folder_info {};
        if (::stat(folder.c_str(), &folder_info) != 0 && errno == ENOENT) {
          missing_.insert(folder);
          break;
        }
      }
    }
    return {};
  }
  return {true, static_cast<uint64_t>(info.st_size), static_cast<int64_t>(info.st_mtime)};
}

}  // namespace profile
