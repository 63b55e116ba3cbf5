// What the component registers with the player, its start-up, stage and
// shut-down hooks, and its change notifications.
//
//   component::installDatabaseSteps();          // once, before any connection
//   component::WindowHooks windows{...};        // the Qt side's entry points
//   component::registerComponent(registry, host, windows);
//
// The component keeps the host and the registry it was handed (the
// process-wide "services available" state) until unregisterComponent().
#ifndef VOSTREL_COMPONENT_REGISTRATION_H_
#define VOSTREL_COMPONENT_REGISTRATION_H_

#include <cstdint>
#include <functional>
#include <string_view>

#include "component/registry.h"
#include "host/events.h"

namespace host {
class Host;
}

namespace component {

// The playlist events that make queries over playlists stale: items added,
// removed or replaced, a playlist created, reordered, removed or renamed.
inline constexpr uint32_t kPlaylistEventMask = 0xD909;

// Notification kinds of mark stale.
inline constexpr uint32_t kKindLibrary = 1;
inline constexpr uint32_t kKindPlaylists = 2;
inline constexpr uint32_t kKindTrackInfo = 4;
// The playing track, or the focused item of the active playlist, is
// another track: marks the nodes whose statements called playing(),
// selected() or playing_handle().
inline constexpr uint32_t kKindFollowedTrack = 8;

inline constexpr int kIconListStage = 50;
inline constexpr std::string_view kConsoleCommandName = "Vostrel console";
inline constexpr std::string_view kUnableToOpenHelpFile = "Unable to open help file";
inline constexpr std::string_view kHelpFileName = "vostrel_help.html";

// The component's windows live in the Qt layer; it hands their entry points
// in here. Empty hooks mean "not available in this build yet".
struct WindowHooks {
  std::function<void()> open_console;
  std::function<void()> create_icon_list;
  std::function<void()> destroy_icon_list;
};

// Installs the database set-up steps (tree schema, library tables).
void installDatabaseSteps();

// Registers the panel kind, the console command, the preferences pages, the
// advanced settings, the hooks and the callbacks, and adds the component's
// version record to the registry's component list. `host` and `registry`
// must outlive the registration.
void registerComponent(Registry& registry, host::Host& host, WindowHooks windows);
// Forgets the host and the registry; later notifications do nothing.
void unregisterComponent();

// Whether a playlist event passes kPlaylistEventMask.
bool playlistEventMarksStale(host::PlaylistEvent event);

// The tables-read bits that a notification kind makes stale. A track's
// information changing can change the result of any query over either
// table (a tag is a column of both), so kind 4 marks the readers of
// MediaLibrary and of Playlist stale as well.
uint32_t staleTablesForKind(uint32_t kind);

// Marks stale the query nodes of every open panel that read a table of
// `kind`, unless the services are unavailable or the host is not running.
// Nothing runs again here: a stale node runs when it is next used. For
// kKindFollowedTrack, panels whose option asks for it re-run their visible
// nodes that follow the track.
void markStale(uint32_t kind);

// Compares the host's playing and focused tracks with those seen last; when
// either changed, marks stale with kKindFollowedTrack. Playback, focus and
// playlist notifications call it, so the same change told twice counts once.
void followedTrackMayHaveChanged();

}  // namespace component

#endif  // VOSTREL_COMPONENT_REGISTRATION_H_
