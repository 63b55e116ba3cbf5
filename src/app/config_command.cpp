#include <filesystem>
#include <iostream>
#include <set>

#include "app/cli.h"
#include "app/commands.h"
#include "library/library_file.h"

namespace app {
namespace {

// The profile's playlist items (stored, or the library's seeds when none
// are stored yet) and whether any of them is a track of `library`.
bool playlistsMatch(const profile::Profile& profile, const library::LibraryFile& library, bool* any_items) {
  std::set<std::string> paths;
  for (const auto& track : library.tracks) paths.emplace(track->path());
  std::error_code ec;
  const std::filesystem::path file = profile.playlistsFile();
  const std::vector<library::PlaylistRef> playlists =
      std::filesystem::exists(file, ec) ? library::loadPlaylistsFile(file).playlists : library.playlists;
  *any_items = false;
  for (const library::PlaylistRef& playlist : playlists) {
    for (const library::ItemRef& item : playlist.items) {
      *any_items = true;
      if (paths.contains(item.path)) return true;
    }
  }
  return false;
}

// `config library [PATH]`: the library every command uses unless --library
// or VOSTREL_LIBRARY says otherwise.
int configLibrary(CommandEnv& env, const profile::Profile& profile, profile::SettingsStore& settings,
                  const ConfigOptions& options) {
  if (!options.value) {
    env.out() << settings.lastLibrary().value_or("") << '\n';
    return kExitOk;
  }
  if (options.value->empty()) {
    settings.setLastLibrary("");
    settings.save();
    return kExitOk;
  }
  const std::filesystem::path path = std::filesystem::absolute(*options.value);
  // A file that does not load is refused before it is remembered.
  const library::LibraryFile library = library::loadLibraryFile(path);
  settings.setLastLibrary(path.string());
  // The file chosen now is the library, not the music folders chosen before.
  settings.setMusicFolders({});
  settings.save();
  bool any_items = false;
  if (!playlistsMatch(profile, library, &any_items) && any_items) {
    env.err() << "Note: none of the profile's playlist items is a track of " << path.string()
              << "; they stay in the playlists as they are.\n";
  }
  return kExitOk;
}

}  // namespace

int runConfigCommand(CommandEnv& env, const GlobalOptions& global, const ConfigOptions& options) {
  // In the desktop program: its live settings, which it would otherwise
  // write over at its end.
  std::optional<profile::Profile> own_profile;
  std::optional<profile::SettingsStore> own_settings;
  if (env.livePlayer() == nullptr) {
    own_profile.emplace(profile::Profile::open(global.profile));
    own_settings.emplace(openSettings(global, *own_profile));
  }
  const profile::Profile& profile = own_profile ? *own_profile : env.livePlayer()->profile();
  profile::SettingsStore& settings = own_settings ? *own_settings : env.livePlayer()->settings();
  if (options.key == "library") return configLibrary(env, profile, settings, options);
  if (!options.key) {
    env.out() << settings.list();
  } else if (!options.value) {
    env.out() << settings.get(*options.key) << '\n';
  } else {
    settings.set(*options.key, *options.value);
    settings.save();
  }
  return kExitOk;
}

int runPlaylistsCommand(CommandEnv& env, const GlobalOptions& global, const std::string& format) {
  if (format != "text" && format != "json") {
    env.err() << "Unknown format \"" << format << "\": use text or json\n";
    return kExitBadInput;
  }
  const CommandPlayer player(env, global);
  if (format == "json") {
    env.out() << player::renderPlaylistsJson(*player) << '\n';
  } else {
    env.out() << player::renderPlaylistsText(*player);
  }
  if (player->playlistsSeeded()) player->save();
  return kExitOk;
}

}  // namespace app
