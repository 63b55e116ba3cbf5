// What every headless command starts from: the global options, the profile,
// the settings and, for commands that need it, the player with its library.
#ifndef VOSTREL_APP_CONTEXT_H_
#define VOSTREL_APP_CONTEXT_H_

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "library/library_source.h"
#include "player/player.h"
#include "profile/profile_lock.h"

namespace app {

struct GlobalOptions {
  std::string profile;              // --profile, empty when not given
  std::string library;              // --library, the first one; empty when not given
  std::vector<std::string> libraries;  // every --library, in order (several: music folders)
  std::vector<std::string> sets;    // --set KEY=VALUE, in order
  double wait_seconds = 30;         // --wait: how long to wait for a busy profile
  std::string playing;              // --playing: the run's playing track; empty: none
  bool no_rescan = false;           // --no-rescan: music folders as the library cache holds them
};

// The bundled demo library: data/demo-library.json next to the program, in
// the installed share folder, or in the source tree it was built from.
std::filesystem::path demoLibraryPath();

// Installs the component's database set-up steps (tree schema, library
// tables). Called once at start-up, before any connection is opened.
void installComponent();

// Takes the profile's lock for a holder of `kind` (a command, or the
// desktop program for as long as it runs), waiting up to
// --wait seconds for another owner to finish, and saying once on stderr
// after a second that it waits and for whom. Throws profile::ProfileBusy when
// the wait runs out, profile::DataError when the profile or its lock file
// cannot be used.
profile::ProfileLock lockProfile(const GlobalOptions& options, std::string_view kind = profile::kLockKindCommand);

// What to say once when the profile is still busy after a second.
std::string profileWaitNotice(const profile::LockHolder& holder, const std::filesystem::path& profile_dir,
                              double wait_seconds);

// What to say when the profile stayed busy for the whole wait.
std::string profileBusyMessage(const profile::ProfileBusy& busy, double wait_seconds);

// Takes away, at the end of a command, the profile folders that the command
// made but stored nothing in (a malformed library file stops a command
// before it stores anything): the folders are removed when they hold no
// file but the lock file.
class NewProfileCleanup {
 public:
  explicit NewProfileCleanup(const GlobalOptions& options);
  ~NewProfileCleanup();
  NewProfileCleanup(const NewProfileCleanup&) = delete;
  NewProfileCleanup& operator=(const NewProfileCleanup&) = delete;

 private:
  std::filesystem::path first_missing_;  // empty when the profile existed
};

// The profile and the settings with this run's overrides. Throws
// profile::DataError.
profile::SettingsStore openSettings(const GlobalOptions& options, profile::Profile& profile);

// The library source the options and the settings choose (see
// library::chooseLibrarySource).
library::LibrarySource chooseLibrarySource(const GlobalOptions& options, const profile::SettingsStore& settings);

// The player over the chosen library. Music folders are read from the
// profile's library cache, and rescanned first when `rescan` and not
// --no-rescan (commands do; the desktop program starts from the cache and
// scans in the background).
// Throws profile::DataError.
// With --playing, the library's track at that path plays for the run
// (throws DataError when the library has none there).
std::unique_ptr<player::Player> openPlayer(const GlobalOptions& options, bool rescan = true);

// The library's track at `path` (a file path, relative to the working
// folder, or a file:// URI), or nullptr.
host::TrackHandle findLibraryTrack(const player::Player& player, const std::string& path);

}  // namespace app

#endif  // VOSTREL_APP_CONTEXT_H_
