#include <iostream>

#include "app/cli.h"
#include "app/commands.h"

namespace app {

int runConfigCommand(const GlobalOptions& global, const ConfigOptions& options) {
  player::Profile profile = player::Profile::open(global.profile);
  player::SettingsStore settings = openSettings(global, profile);
  if (!options.key) {
    std::cout << settings.list();
  } else if (!options.value) {
    std::cout << settings.get(*options.key) << '\n';
  } else {
    settings.set(*options.key, *options.value);
    settings.save();
  }
  return kExitOk;
}

int runPlaylistsCommand(const GlobalOptions& global, const std::string& format) {
  if (format != "text" && format != "json") {
    std::cerr << "Unknown format \"" << format << "\": use text or json\n";
    return kExitBadInput;
  }
  std::unique_ptr<player::Player> player = openPlayer(global);
  if (format == "json") {
    std::cout << player::renderPlaylistsJson(*player) << '\n';
  } else {
    std::cout << player::renderPlaylistsText(*player);
  }
  if (player->playlistsSeeded()) player->save();
  return kExitOk;
}

}  // namespace app
