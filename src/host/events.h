// The change notifications the player delivers: the numbering of its library
// and playlist events, written down here once. Callbacks receive these
// numbers; the component filters the playlist events with a bit mask over
// them, so the numbers are part of the interface and never change.
#ifndef VOSTREL_HOST_EVENTS_H_
#define VOSTREL_HOST_EVENTS_H_

#include <cstdint>

namespace host {

// Library events.
enum class LibraryEvent : uint32_t {
  kItemsAdded = 0,     // tracks entered the library
  kItemsRemoved = 1,   // tracks left the library
  kItemsModified = 2,  // tracks' information changed in place
};

// Playlist events. The events that change which tracks a playlist holds, or
// a playlist's name, position or existence, sit in slots 0, 3, 8, 11, 12, 14
// and 15; the mask 0xD909 selects exactly those. The others report views,
// selection, focus and playback, which leave query results as they were.
enum class PlaylistEvent : uint32_t {
  kItemsAdded = 0,             // tracks inserted into a playlist            (mask)
  kItemsReordered = 1,         // a playlist's items moved within it
  kItemsRemoving = 2,          // items are about to be removed
  kItemsRemoved = 3,           // items were removed                         (mask)
  kItemsSelectionChanged = 4,  // the selection of items changed
  kItemFocusChanged = 5,       // the focused item changed
  kItemsModified = 6,          // the information of items changed
  kItemsModifiedFromPlayback = 7,
  kItemsReplaced = 8,          // items were replaced by other tracks        (mask)
  kItemEnsureVisible = 9,
  kPlaylistActivated = 10,     // another playlist became the active one
  kPlaylistCreated = 11,       // a playlist was created                     (mask)
  kPlaylistsReordered = 12,    // playlists moved among each other           (mask)
  kPlaylistsRemoving = 13,     // playlists are about to be removed
  kPlaylistsRemoved = 14,      // playlists were removed                     (mask)
  kPlaylistRenamed = 15,       // a playlist was renamed                     (mask)
  kDefaultFormatChanged = 16,
  kPlaybackOrderChanged = 17,
  kPlaylistLockChanged = 18,
};
inline constexpr uint32_t kPlaylistEventCount = 19;

// The bit of an event in an event mask.
constexpr uint32_t eventBit(PlaylistEvent event) { return uint32_t{1} << static_cast<uint32_t>(event); }

}  // namespace host

#endif  // VOSTREL_HOST_EVENTS_H_
