// The player's profile folder: where it is, creating it, and the files in it.
//
//   Profile profile = Profile::open(option);   // --profile DIR, or ""
//   profile.playlistsFile()                    // DIR/playlists.json
//
// The folder is --profile DIR, else $VOSTREL_PROFILE, else
// $XDG_CONFIG_HOME/vostrel, else ~/.config/vostrel. Opening creates it and its
// "configuration" subfolder (which holds the database) when missing, each
// private to its owner (0700); a folder that exists keeps its mode.
//
// Paths reach the player in two notations: plain ("/music/a.flac") and the
// host's ("file:///music/a.flac"); the helpers below accept both.
#ifndef VOSTREL_PROFILE_PROFILE_H_
#define VOSTREL_PROFILE_PROFILE_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>

#include "host/host.h"

namespace profile {

inline constexpr std::string_view kHostPathPrefix = "file://";

// The profile folder the options and the environment name, as an absolute,
// normalised path without a trailing separator. Does not touch the disk.
// `option` is the --profile value; empty means not given. Empty environment
// variables count as unset, and a relative $XDG_CONFIG_HOME is ignored.
// Throws DataError when no home folder can be found for the default.
std::filesystem::path resolveProfilePath(std::string_view option);

class Profile {
 public:
  // Resolves the folder (see resolveProfilePath) and prepares it.
  static Profile open(std::string_view option);

  // Prepares `dir`: creates it and its configuration subfolder when missing
  // (mode 0700) and checks that both are writable folders. Throws DataError naming the
  // path and the system's reason otherwise. Removes the temporary files that
  // killed writers left in it.
  explicit Profile(const std::filesystem::path& dir);

  // The absolute folder.
  const std::filesystem::path& dir() const { return dir_; }
  // The folder in host notation: "file://" + dir().
  std::string hostFolder() const;

  std::filesystem::path configurationDir() const { return dir_ / "configuration"; }
  std::filesystem::path settingsFile() const { return dir_ / "settings.json"; }
  std::filesystem::path playlistsFile() const { return dir_ / "playlists.json"; }
  std::filesystem::path layoutFile() const { return dir_ / "layout.json"; }

 private:
  std::filesystem::path dir_;
};

// "file://" + the absolute form of `path`.
std::string toHostNotation(const std::filesystem::path& path);

// The plain path of a path in host notation; a plain path is returned as is.
std::string_view plainPath(std::string_view path);

// Statistics of a file in either notation; any failure to stat it (missing,
// unreadable folder) reports found = false.
host::FileStats statFile(std::string_view path);

// statFile for many files in a row, as a library load asks: once a folder
// is known to be missing, files below it are reported missing without a
// system call.
class FileStatCache {
 public:
  host::FileStats stat(std::string_view path);

 private:
  // Folders found missing, each without a trailing slash.
  std::unordered_set<std::string> missing_;
};

}  // namespace profile

#endif  // VOSTREL_PROFILE_PROFILE_H_
