// Registry: the player's frameworks that a component registers into, and
// the player's side of them. The player builds its menus, its panel kinds
// and its hooks from what was registered here; it never calls component
// code directly.
//
//   component::Registry registry;
//   registry.addComponent({"Framix", "0.4.0", ...});   // the player's own
//   component::registerComponent(registry, host, windows);
//   registry.runInit();  registry.runInitStage(50);  registry.setPhase(kRunning);
//   ... registry.notifyPlaylist(host::PlaylistEvent::kItemsAdded) ...
//   registry.setPhase(kShuttingDown);  registry.runQuit();
//
// Everything runs on the player's main thread.
#ifndef VOSTREL_COMPONENT_REGISTRY_H_
#define VOSTREL_COMPONENT_REGISTRY_H_

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "component/version.h"
#include "host/events.h"

namespace component {

// Where the player is in its life; notifications are only acted upon while
// it runs.
enum class HostPhase { kInitialising, kRunning, kShuttingDown };

struct PanelKind {
  std::string guid;
  std::string name;
  std::string category;
  std::string description;
};

// A command of the main menu. `run` may be empty: the command is listed but
// cannot be used yet.
struct MainMenuCommand {
  std::string guid;
  std::string name;
  std::string description;
  uint32_t sort_priority = 0;
  std::function<void()> run;
};

struct PreferencesPageEntry {
  std::string guid;
  std::string parent_guid;  // empty: the player's preferences root
  std::string name;
  int sort_priority = 0;
};

// kSecret is text shown masked where it is edited (a password).
enum class AdvancedSettingKind { kBranch, kCheckbox, kUnsigned, kRadio, kText, kSecret };

// One entry of the advanced settings. `key` names the stored setting (the
// `config` command's key); radio entries carry the value they select.
struct AdvancedSettingEntry {
  std::string guid;
  std::string parent_guid;  // empty: the player's advanced-settings root
  std::string name;
  int sort_priority = 0;
  AdvancedSettingKind kind = AdvancedSettingKind::kBranch;
  std::string key;
  std::string default_value;
  std::string radio_value;
};

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // Installed components, in the player's order.
  void addComponent(ComponentVersion version) { components_.push_back(std::move(version)); }
  std::span<const ComponentVersion> components() const { return components_; }

  HostPhase phase() const { return phase_; }
  void setPhase(HostPhase phase) { phase_ = phase; }

  // Registration (the component's side).
  void registerPanelKind(PanelKind kind) { panel_kinds_.push_back(std::move(kind)); }
  // A provider lists its commands when the menu is built; it may list none.
  void registerMainMenuCommands(std::function<std::vector<MainMenuCommand>()> provider) {
    command_providers_.push_back(std::move(provider));
  }
  void registerPreferencesPage(PreferencesPageEntry page) { pages_.push_back(std::move(page)); }
  void registerAdvancedSetting(AdvancedSettingEntry entry) { advanced_.push_back(std::move(entry)); }
  void registerInitQuit(std::function<void()> on_init, std::function<void()> on_quit);
  void registerInitStage(std::function<void(int stage)> hook) { stage_hooks_.push_back(std::move(hook)); }
  void registerLibraryCallback(std::function<void(host::LibraryEvent)> callback) {
    library_callbacks_.push_back(std::move(callback));
  }
  // Playlist callbacks receive every event; they filter what they need.
  void registerPlaylistCallback(std::function<void(host::PlaylistEvent)> callback) {
    playlist_callbacks_.push_back(std::move(callback));
  }
  void registerTrackInfoCallback(std::function<void()> callback) {
    track_info_callbacks_.push_back(std::move(callback));
  }
  // Told when the playing track may have changed (played, skipped, stopped).
  void registerPlaybackCallback(std::function<void()> callback) {
    playback_callbacks_.push_back(std::move(callback));
  }

  // The player's side.
  const std::vector<PanelKind>& panelKinds() const { return panel_kinds_; }
  // Every provider's commands, by sort priority (stable).
  std::vector<MainMenuCommand> mainMenuCommands() const;
  const std::vector<PreferencesPageEntry>& preferencesPages() const { return pages_; }
  const std::vector<AdvancedSettingEntry>& advancedSettings() const { return advanced_; }

  void runInit() const;
  void runInitStage(int stage) const;
  void runQuit() const;
  void notifyLibrary(host::LibraryEvent event) const;
  void notifyPlaylist(host::PlaylistEvent event) const;
  void notifyTrackInfo() const;
  void notifyPlayback() const;

 private:
  std::vector<ComponentVersion> components_;
  HostPhase phase_ = HostPhase::kInitialising;
  std::vector<PanelKind> panel_kinds_;
  std::vector<std::function<std::vector<MainMenuCommand>()>> command_providers_;
  std::vector<PreferencesPageEntry> pages_;
  std::vector<AdvancedSettingEntry> advanced_;
  std::vector<std::function<void()>> init_hooks_;
  std::vector<std::function<void()>> quit_hooks_;
  std::vector<std::function<void(int)>> stage_hooks_;
  std::vector<std::function<void(host::LibraryEvent)>> library_callbacks_;
  std::vector<std::function<void(host::PlaylistEvent)>> playlist_callbacks_;
  std::vector<std::function<void()>> track_info_callbacks_;
  std::vector<std::function<void()>> playback_callbacks_;
};

}  // namespace component

#endif  // VOSTREL_COMPONENT_REGISTRY_H_
