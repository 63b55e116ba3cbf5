// The component's registration, hooks and change notifications.
#include "component/registration.h"

#include "component/guids.h"
#include "db/open_steps.h"
#include "host/host.h"
#include "library_tables/library_tables.h"
#include "tree/open_panels.h"
#include "tree/query_node.h"
#include "tree/tree_cleanup.h"
#include "tree/tree_schema.h"

namespace component {
namespace {

// The process-wide state of the registration: set while the host's
// services are available.
struct Services {
  host::Host* host = nullptr;
  Registry* registry = nullptr;
  WindowHooks windows;
  bool icon_list_created = false;
  // The tracks followedTrackMayHaveChanged() saw last.
  host::TrackHandle playing;
  host::TrackHandle focused;
};

Services& services() {
  static Services state;
  return state;
}

std::string text(std::string_view view) { return std::string(view); }

void registerAdvancedSettings(Registry& registry) {
  using Kind = AdvancedSettingKind;
  const std::string branch = text(guids::kAdvancedBranch);
  registry.registerAdvancedSetting({branch, "", "Vostrel", 0, Kind::kBranch, "", "", ""});
  registry.registerAdvancedSetting({text(guids::kShowExecutionTime), branch, "Show SQL execution time in the console", 0,
                                    Kind::kCheckbox, "show_sql_execution_time", "0", ""});
  registry.registerAdvancedSetting({text(guids::kOverallNodeLimit), branch, "Overall node limit for all panels", 1,
                                    Kind::kUnsigned, "overall_node_limit", "1000000", ""});
  registry.registerAdvancedSetting({text(guids::kConsoleRowLimit), branch, "Vostrel console row limit", 2,
                                    Kind::kUnsigned, "console_row_limit", "5000", ""});
  const std::string priority = text(guids::kProcessingPriority);
  registry.registerAdvancedSetting(
      {priority, branch, "SQL processing priority", 3, Kind::kBranch, "sql_processing_priority", "default", ""});
  struct Radio {
    std::string_view guid;
    const char* name;
    const char* value;
  };
  const Radio radios[] = {{guids::kPriorityDefault, "Default", "default"},
                          {guids::kPriorityIdle, "Idle", "idle"},
                          {guids::kPriorityBelowNormal, "Below normal", "below_normal"},
                          {guids::kPriorityNormal, "Normal", "normal"},
                          {guids::kPriorityAboveNormal, "Above normal", "above_normal"},
                          {guids::kPriorityHigh, "High", "high"},
                          {guids::kPriorityRealtime, "Realtime", "realtime"}};
  int order = 1;
  for (const Radio& radio : radios) {
    registry.registerAdvancedSetting({text(radio.guid), priority, radio.name, order++, Kind::kRadio,
                                      "sql_processing_priority", "default", radio.value});
  }
  registry.registerAdvancedSetting({text(guids::kIconFilePaths), branch, "Icon file paths (separate by |)", 4,
                                    Kind::kText, "icon_file_paths", "", ""});
}

bool checkPasses() {
  const Services& state = services();
  return state.registry != nullptr && panelLayerVersionPasses(state.registry->components());
}

void onInit() {
  Services& state = services();
  if (state.host == nullptr || checkPasses()) return;
  state.host->popupMessage(startUpPopupText(), host::kComponentFileName);
}

void onInitStage(int stage) {
  Services& state = services();
  if (stage != kIconListStage || !checkPasses() || !state.windows.create_icon_list) return;
  state.windows.create_icon_list();
  state.icon_list_created = true;
}

void onQuit() {
  Services& state = services();
  if (state.host == nullptr) return;
  if (!tree::cleanUpUnusedTrees(*state.host)) return;
  if (state.icon_list_created && state.windows.destroy_icon_list) state.windows.destroy_icon_list();
  state.icon_list_created = false;
}

std::vector<MainMenuCommand> consoleCommands() {
  if (!checkPasses()) return {};
  MainMenuCommand command;
  command.guid = text(guids::kConsoleCommand);
  command.name = text(kConsoleCommandName);
  command.description = "Opens the Vostrel console, which runs SQL against the Vostrel database.";
  command.sort_priority = 0x80000000u;
  command.run = services().windows.open_console;
  return {command};
}

}  // namespace

void installDatabaseSteps() {
  db::OpenSteps steps;
  steps.build_tree_schema = &tree::BuildTreeSchema;
  steps.set_up_library_tables = &library_tables::setUpLibraryTables;
  db::installOpenSteps(steps);
}

void registerComponent(Registry& registry, host::Host& host, WindowHooks windows) {
  Services& state = services();
  state.host = &host;
  state.registry = &registry;
  state.windows = std::move(windows);
  state.icon_list_created = false;

  registry.addComponent(vostrelVersion());
  registry.registerPanelKind({text(guids::kTreePanel), "Vostrel", "Panels",
                              "Shows the media library as a tree defined by SQL queries."});
  registry.registerMainMenuCommands(&consoleCommands);
  const std::string branch = text(guids::kPreferencesBranch);
  registry.registerPreferencesPage({branch, "", "Vostrel", 0});
  registry.registerPreferencesPage({text(guids::kLibraryTablePage), branch, "MediaLibrary table", 0});
  registry.registerPreferencesPage({text(guids::kPlaylistTablePage), branch, "Playlist table", 1});
  registerAdvancedSettings(registry);

  registry.registerInitQuit(&onInit, &onQuit);
  registry.registerInitStage(&onInitStage);
  registry.registerLibraryCallback([](host::LibraryEvent event) {
    if (event == host::LibraryEvent::kItemsAdded || event == host::LibraryEvent::kItemsRemoved) {
      markStale(kKindLibrary);
    }
  });
  registry.registerPlaylistCallback([](host::PlaylistEvent event) {
    if (playlistEventMarksStale(event)) markStale(kKindPlaylists);
    // Focus, another active playlist, or the playing item removed or moved.
    followedTrackMayHaveChanged();
  });
  registry.registerTrackInfoCallback([] { markStale(kKindTrackInfo); });
  registry.registerPlaybackCallback([] { followedTrackMayHaveChanged(); });
}

void unregisterComponent() { services() = Services{}; }

bool playlistEventMarksStale(host::PlaylistEvent event) {
  const auto slot = static_cast<uint32_t>(event);
  return slot < 32 && (kPlaylistEventMask & (uint32_t{1} << slot)) != 0;
}

uint32_t staleTablesForKind(uint32_t kind) {
  uint32_t tables = kind & (tree::kReadsMediaLibrary | tree::kReadsPlaylist | tree::kReadsFollowedTrack);
  if ((kind & kKindTrackInfo) != 0) tables |= tree::kReadsMediaLibrary | tree::kReadsPlaylist;
  return tables;
}

void markStale(uint32_t kind) {
  const Services& state = services();
  if (state.host == nullptr || state.registry == nullptr) return;
  if (state.registry->phase() != HostPhase::kRunning) return;
  if (kind == kKindFollowedTrack) {
    tree::OpenPanels::instance().followedTrackChanged();
    return;
  }
  tree::OpenPanels::instance().markStale(staleTablesForKind(kind));
}

void followedTrackMayHaveChanged() {
  Services& state = services();
  if (state.host == nullptr) return;
  host::TrackHandle playing = state.host->playingTrack();
  host::TrackHandle focused = state.host->focusedTrack();
  if (playing == state.playing && focused == state.focused) return;
  state.playing = std::move(playing);
  state.focused = std::move(focused);
  markStale(kKindFollowedTrack);
}

}  // namespace component
