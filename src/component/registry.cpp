#include "component/registry.h"

#include <algorithm>

namespace component {

void Registry::registerInitQuit(std::function<void()> on_init, std::function<void()> on_quit) {
  if (on_init) init_hooks_.push_back(std::move(on_init));
  if (on_quit) quit_hooks_.push_back(std::move(on_quit));
}

std::vector<MainMenuCommand> Registry::mainMenuCommands() const {
  std::vector<MainMenuCommand> commands;
  for (const auto& provider : command_providers_) {
    for (MainMenuCommand& command : provider()) commands.push_back(std::move(command));
  }
  std::stable_sort(commands.begin(), commands.end(), [](const MainMenuCommand& a, const MainMenuCommand& b) {
    return a.sort_priority < b.sort_priority;
  });
  return commands;
}

void Registry::runInit() const {
  for (const auto& hook : init_hooks_) hook();
}

void Registry::runInitStage(int stage) const {
  for (const auto& hook : stage_hooks_) hook(stage);
}

void Registry::runQuit() const {
  for (const auto& hook : quit_hooks_) hook();
}

void Registry::notifyLibrary(host::LibraryEvent event) const {
  for (const auto& callback : library_callbacks_) callback(event);
}

void Registry::notifyPlaylist(host::PlaylistEvent event) const {
  for (const auto& callback : playlist_callbacks_) callback(event);
}

void Registry::notifyTrackInfo() const {
  for (const auto& callback : track_info_callbacks_) callback();
}

void Registry::notifyPlayback() const {
  for (const auto& callback : playback_callbacks_) callback();
}

}  // namespace component
