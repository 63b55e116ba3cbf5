// What every headless command starts from: the global options, the profile,
// the settings and, for commands that need it, the player with its library.
#ifndef VOSTREL_APP_CONTEXT_H_
#define VOSTREL_APP_CONTEXT_H_

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "player/player.h"

namespace app {

struct GlobalOptions {
  std::string profile;              // --profile, empty when not given
  std::string library;              // --library, empty when not given
  std::vector<std::string> sets;    // --set KEY=VALUE, in order
};

// The bundled demo library: data/demo-library.json next to the program, in
// the installed share folder, or in the source tree it was built from.
std::filesystem::path demoLibraryPath();

// Installs the component's database set-up steps (tree schema, library
// tables). Called once at start-up, before any connection is opened.
void installComponent();

// The profile and the settings with this run's overrides. Throws
// player::PlayerError.
player::SettingsStore openSettings(const GlobalOptions& options, player::Profile& profile);

// The player over the chosen library. Throws player::PlayerError.
std::unique_ptr<player::Player> openPlayer(const GlobalOptions& options);

}  // namespace app

#endif  // VOSTREL_APP_CONTEXT_H_
