#include "app/context.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "component/registration.h"
#include "library/file_uri.h"
#include "profile/data_error.h"
#include "profile/profile.h"
#include "profile/resources.h"

namespace app {
namespace {

// "30", "0.5": seconds as the user gave them.
std::string seconds(double value) {
  std::array<char, 32> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%g", value);
  return buffer.data();
}

}  // namespace

std::filesystem::path demoLibraryPath() {
  return profile::resourceDir("data") / "demo-library.json";
}

void installComponent() {
  component::installDatabaseSteps();
}

profile::ProfileLock lockProfile(const GlobalOptions& options, std::string_view kind) {
  const profile::Profile profile = profile::Profile::open(options.profile);
  profile::LockWaiting waiting;
  // A week at most keeps the milliseconds far from overflow.
  const double wait = std::min(options.wait_seconds, 7 * 24 * 3600.0);
  waiting.timeout = std::chrono::milliseconds(static_cast<int64_t>(wait * 1000));
  waiting.notice = [&](const profile::LockHolder& holder) {
    std::cerr << profileWaitNotice(holder, profile.dir(), options.wait_seconds) << std::endl;
  };
  return profile::ProfileLock::acquire(profile.dir(), kind, waiting);
}

std::string profileWaitNotice(const profile::LockHolder& holder, const std::filesystem::path& profile_dir,
                              double wait_seconds) {
  return "Waiting for " + holder.describe() + " to release the profile " + profile_dir.string() + " (up to " +
         seconds(wait_seconds) + " s)...";
}

namespace {

// Whether `folder` holds nothing but folders and lock files.
bool holdsNoData(const std::filesystem::path& folder) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec)) continue;
    if (it->path().filename() != profile::ProfileLock::kFileName) return false;
  }
  return !ec;
}

}  // namespace

NewProfileCleanup::NewProfileCleanup(const GlobalOptions& options) {
  std::error_code ec;
  std::filesystem::path dir;
  try {
    dir = std::filesystem::absolute(profile::resolveProfilePath(options.profile), ec);
  } catch (const profile::DataError&) {
    return;
  }
  if (ec || std::filesystem::exists(dir, ec)) return;
  // The outermost folder of the path that is missing.
  first_missing_ = dir;
  while (first_missing_.has_parent_path() && first_missing_.parent_path() != first_missing_ &&
         !std::filesystem::exists(first_missing_.parent_path(), ec)) {
    first_missing_ = first_missing_.parent_path();
  }
}

NewProfileCleanup::~NewProfileCleanup() {
  std::error_code ec;
  if (!first_missing_.empty() && std::filesystem::exists(first_missing_, ec) && holdsNoData(first_missing_)) {
    std::filesystem::remove_all(first_missing_, ec);
  }
}

std::string profileBusyMessage(const profile::ProfileBusy& busy, double wait_seconds) {
  std::string message = "The profile " + busy.profileDir().string() + " is in use by " + busy.holder().describe();
  if (wait_seconds > 0) message += " and was not released within " + seconds(wait_seconds) + " s";
  return message + "; try again when it has finished, or wait longer with --wait SECONDS.";
}

profile::SettingsStore openSettings(const GlobalOptions& options, profile::Profile& profile) {
  profile::SettingsStore settings(profile.settingsFile());
  for (const std::string& assignment : options.sets) settings.applyOverride(assignment);
  return settings;
}

library::LibrarySource chooseLibrarySource(const GlobalOptions& options, const profile::SettingsStore& settings) {
  std::vector<std::string> values = options.libraries;
  if (values.empty() && !options.library.empty()) values.push_back(options.library);
  return library::chooseLibrarySource(values, settings, demoLibraryPath());
}

std::unique_ptr<player::Player> openPlayer(const GlobalOptions& options, bool rescan) {
  profile::Profile profile = profile::Profile::open(options.profile);
  profile::SettingsStore settings = openSettings(options, profile);
  const library::LibrarySource source = chooseLibrarySource(options, settings);
  library::LibraryFile library =
      library::loadLibrarySource(source, profile.dir(), rescan && !options.no_rescan, std::cerr);
  auto player = std::make_unique<player::Player>(std::move(profile), std::move(settings), std::move(library));
  player->keepLibraryAtExit();
  if (!options.playing.empty()) {
    host::TrackHandle track = findLibraryTrack(*player, options.playing);
    if (track == nullptr) {
      throw profile::DataError("--playing: the library has no track at " + options.playing +
                               " (name a file of the library, as `vostrel sql \"SELECT path FROM MediaLibrary\"` "
                               "lists them)");
    }
    player->setRunTrack(std::move(track));
  }
  return player;
}

host::TrackHandle findLibraryTrack(const player::Player& player, const std::string& path) {
  const bool is_uri = path.starts_with("file://");
  std::error_code ec;
  const std::filesystem::path wanted = is_uri ? library::uriFilePath(path) : std::filesystem::absolute(path, ec);
  const std::filesystem::path normal = wanted.lexically_normal();
  for (const host::TrackHandle& track : player.library()) {
    if (track == nullptr) continue;
    if (track->path() == path || library::uriFilePath(track->path()) == normal) return track;
  }
  return nullptr;
}

}  // namespace app
