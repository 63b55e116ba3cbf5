#include "app/context.h"

#include "component/registration.h"
#include "player/resources.h"

namespace app {

std::filesystem::path demoLibraryPath() {
  return player::resourceDir("data") / "demo-library.json";
}

void installComponent() {
  component::installDatabaseSteps();
}

player::SettingsStore openSettings(const GlobalOptions& options, player::Profile& profile) {
  player::SettingsStore settings(profile.settingsFile());
  for (const std::string& assignment : options.sets) settings.applyOverride(assignment);
  return settings;
}

std::unique_ptr<player::Player> openPlayer(const GlobalOptions& options) {
  player::Profile profile = player::Profile::open(options.profile);
  player::SettingsStore settings = openSettings(options, profile);
  const std::filesystem::path library_path = player::chooseLibraryPath(options.library, settings, demoLibraryPath());
  player::LibraryFile library = player::loadLibraryFile(library_path);
  return std::make_unique<player::Player>(std::move(profile), std::move(settings), std::move(library));
}

}  // namespace app
