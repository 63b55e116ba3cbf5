// What a drop onto a playlist does, whatever it was dropped on (a row of the
// table, a tab, the new-playlist button). Every change goes through the
// player's playlist calls.
//
//   rows of a playlist   the same playlist: moved before the drop row, or
//                        with Copy (Ctrl held) copied there; another
//                        playlist: moved there (copied with Copy)
//   a tree node          its tracks, as the node's insert action collects them
//   text/uri-list        the files, and the folders' files in location order,
//                        read with the tag reader (see dropped_files.h)
//
// The items that arrive are selected.
#ifndef VOSTREL_DESKTOP_PLAYLIST_DROP_H_
#define VOSTREL_DESKTOP_PLAYLIST_DROP_H_

#include <cstddef>
#include <string>
#include <vector>

#include <Qt>

#include "desktop/dropped_files.h"
#include "player/player.h"

class QMimeData;

namespace desktop {

// The MIME type of dragged rows: "PLAYLIST:ROW,ROW,...", indexes in decimal.
inline constexpr const char* kRowsMimeType = "application/x-vostrel-playlist-rows";

// The drag data of `rows` of `playlist`: the rows, and their paths as text
// (one a line). The files are left out: a file manager offered a move would
// move the music files themselves.
QMimeData* rowsMimeData(const player::Player& player, std::size_t playlist, const std::vector<std::size_t>& rows);
// The clipboard's data of those rows: their paths as text and their files
// as a text/uri-list, without the rows (which mean nothing once pasted).
QMimeData* filesMimeData(const player::Player& player, std::size_t playlist, const std::vector<std::size_t>& rows);

// Whether `data` holds anything a playlist takes.
bool canDropOnPlaylist(const QMimeData& data);

class PlaylistDrop {
 public:
  explicit PlaylistDrop(player::Player& player) : player_(player) {}

  void setPlaylistFileReader(PlaylistFileReader reader) { read_playlist_ = std::move(reader); }

  // Drops `data` into `playlist` before item `before` (the item count or
  // more: at the end). Returns false when nothing came of it.
  bool drop(const QMimeData& data, Qt::DropAction action, std::size_t playlist, std::size_t before);
  // Makes a playlist for `data`, named after the dragged node, the first
  // dropped file or folder, or the rows' playlist, and drops into it; it
  // becomes the active one. Returns its index, or host::kNoPlaylist when
  // `data` brought nothing (no playlist is made then).
  std::size_t dropOnNewPlaylist(const QMimeData& data, Qt::DropAction action);

 private:
  // What `data` brings, with a name for a playlist of its own; false when
  // nothing. Rows are left in their playlist.
  bool take(const QMimeData& data, host::TrackList& tracks, std::string& name);

  player::Player& player_;
  PlaylistFileReader read_playlist_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_DROP_H_
