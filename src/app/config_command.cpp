#include <iostream>

#include "app/cli.h"
#include "app/commands.h"

namespace app {

int runConfigCommand(CommandEnv& env, const GlobalOptions& global, const ConfigOptions& options) {
  std::optional<player::SettingsStore> own;
  if (env.livePlayer() == nullptr) {
    player::Profile profile = player::Profile::open(global.profile);
    own.emplace(openSettings(global, profile));
  }
  player::SettingsStore& settings = own ? *own : env.livePlayer()->settings();
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
