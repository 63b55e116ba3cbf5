#include "app/context.h"

#include <unistd.h>

#include <array>

#include "component/registration.h"

#ifndef VOSTREL_SOURCE_DATA_DIR
#define VOSTREL_SOURCE_DATA_DIR ""
#endif

namespace app {
namespace {

std::filesystem::path executableDir() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(length))).parent_path();
}

}  // namespace

std::filesystem::path demoLibraryPath() {
  const std::filesystem::path beside = executableDir() / "data" / "demo-library.json";
  std::error_code ec;
  if (std::filesystem::exists(beside, ec)) return beside;
  return std::filesystem::path(VOSTREL_SOURCE_DATA_DIR) / "demo-library.json";
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
