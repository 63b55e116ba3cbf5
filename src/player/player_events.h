// What the player tells those who watch it: its playlist and library events
// (numbered in host/events.h) with the range they touched, playback
// changes, and where its messages go when a user interface shows them.
#ifndef VOSTREL_PLAYER_PLAYER_EVENTS_H_
#define VOSTREL_PLAYER_PLAYER_EVENTS_H_

#include <cstddef>
#include <string_view>

#include "host/events.h"
#include "host/host.h"

namespace player {

struct EditStep;

// One playlist event. `playlist` is the playlist it concerns (after the
// change; for kPlaylistsRemoving/Removed the removed index; for
// kPlaylistsReordered the new index of the moved playlist, with `first` its
// old index). Item events name the range [first, first + count); removals
// are reported one contiguous range at a time, highest first, so that every
// range is valid when it arrives. kItemsReordered covers the whole list.
struct PlaylistChange {
  host::PlaylistEvent event;
  std::size_t playlist = host::kNoPlaylist;
  std::size_t first = 0;
  std::size_t count = 0;
};

class PlayerListener {
 public:
  virtual ~PlayerListener() = default;
  virtual void playlistChanged(const PlaylistChange&) {}
  virtual void libraryChanged(host::LibraryEvent) {}
  virtual void trackInfoChanged() {}
  // The playing playlist or item changed, or playback stopped.
  virtual void playbackChanged() {}
  // A step was added to the undo history (see edit_journal.h).
  virtual void editRecorded(const EditStep&) {}
};

// Where the player's messages go in a program with windows. Without one,
// they go to the message stream and questions are answered yes.
class PlayerUi {
 public:
  virtual ~PlayerUi() = default;
  virtual void consoleLine(std::string_view text) = 0;
  virtual void popupMessage(std::string_view message, std::string_view title) = 0;
  virtual void messageBox(std::string_view message, std::string_view caption) = 0;
  virtual bool askYesNo(std::string_view question, std::string_view caption) = 0;
  virtual void pumpEvents() = 0;
};

}  // namespace player

#endif  // VOSTREL_PLAYER_PLAYER_EVENTS_H_
