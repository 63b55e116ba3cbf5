// Files and folders dropped from a file manager, as playlist items. Each
// file is read with the library's tag reader; folders are read recursively,
// their files in location order; what is not a track (covers, text files) is
// passed over. Playlist files (.m3u, .m3u8, .pls, .xspf) give their entries
// through the playlist reader, when one is set.
//
//   DroppedFiles read = readDroppedFiles({"/music/Album", "/tmp/a.flac"});
//   player.insertItems(playlist, row, read.tracks, true);
#ifndef VOSTREL_DESKTOP_DROPPED_FILES_H_
#define VOSTREL_DESKTOP_DROPPED_FILES_H_

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/host.h"

namespace desktop {

struct DroppedFiles {
  host::TrackList tracks;          // in drop order, each folder's in location order
  std::vector<std::string> failed;  // "path: why", for files that could not be read
};

// Reads a playlist file's entries as tracks; throws for a file it cannot
// read (the message names the file and line).
// Without one, a dropped playlist file is reported as not readable.
using PlaylistFileReader = std::function<host::TrackList(const std::filesystem::path& file)>;

// Whether `file` is named as a playlist file.
bool isPlaylistFile(const std::filesystem::path& file);

DroppedFiles readDroppedFiles(const std::vector<std::filesystem::path>& paths,
                              const PlaylistFileReader& read_playlist = {});

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_DROPPED_FILES_H_
