// Library files: the media library of a run, read from JSON; and the
// profile's playlists file, which shares their playlist layout.
//
//   {"tracks": [{"path": "file:///music/A/B/01 Song.flac", "subsong": 0,
//                "size": 23456789, "mtime": 1714567890, "length": 215.4,
//                "meta": {"artist": ["A", "B"], "title": "Song"},
//                "info": {"codec": "FLAC"},
//                "replaygain": {"track_gain": -6.5, "track_peak": 0.98}}],
//    "playlists": [{"name": "Default", "items": ["file:///music/A/B/01 Song.flac",
//                                                {"path": "...", "subsong": 1}]}],
//    "active_playlist": 0}
//
// Only "path" is required in a track. Tag values are a string or a list of
// strings; field names keep their order and letter case, and must be 1 to
// 1024 bytes without control characters, since each may become a column. A
// track with none of meta, info, length and replaygain has no info record. Absent size and
// mtime come from the file itself, or are 0 when it does not exist. Unknown
// keys are ignored, so newer files still load.
//
// The file is read as a stream straight into track records: a million
// tracks load in seconds and never exist as a JSON document in memory.
#ifndef VOSTREL_LIBRARY_LIBRARY_FILE_H_
#define VOSTREL_LIBRARY_LIBRARY_FILE_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "host/track.h"

namespace library {

// A playlist entry as a file names it: a track location, matched against
// the library when the playlist is loaded.
struct ItemRef {
  std::string path;
  uint32_t subsong = 0;
  bool selected = false;
};

// A playlist as a file gives it, before its items are matched.
struct PlaylistRef {
  std::string name;
  std::vector<ItemRef> items;
};

struct LibraryFile {
  host::TrackList tracks;               // file order
  std::vector<PlaylistRef> playlists;   // seeds for a profile without playlists
  std::size_t active_playlist = host::kNoPlaylist;  // 0 when absent and playlists exist
};

// The largest library file and playlists.json read. A playlist of 300,000
// items takes about 30 MB, so the playlists file gets ample room.
inline constexpr uint64_t kLibraryFileLimit = uint64_t{4} << 30;
inline constexpr uint64_t kPlaylistsFileLimit = uint64_t{1} << 30;

// Reads the library file at `path`. Throws DataError naming the file: for
// an unreadable file, one that is not a regular file or is larger than
// kLibraryFileLimit, for malformed JSON (with line and column) and for a
// value of the wrong shape (with the track or playlist index and the field,
// e.g. tracks[12].meta.artist).
LibraryFile loadLibraryFile(const std::filesystem::path& path);

// The same for text already in memory; `file` names it in messages.
LibraryFile parseLibraryFile(std::string_view text, const std::string& file);

// As above, with `stat_file` giving the statistics a track does not state
// (instead of the file system).
using StatFileFunction = host::FileStats (*)(std::string_view path);
LibraryFile parseLibraryFile(std::string_view text, const std::string& file, StatFileFunction stat_file);

// The content of a profile's playlists.json (written by the playlists
// store): the same playlist layout, items with "selected", and the active
// and playing indexes (-1 for none):
//   {"active":0,"playing":-1,"playlists":[{"name":"Default","items":
//     [{"path":"file:///music/a.flac","subsong":0,"selected":false}]}]}
struct PlaylistsFile {
  std::vector<PlaylistRef> playlists;
  std::size_t active = host::kNoPlaylist;
  std::size_t playing = host::kNoPlaylist;
};

// Reads playlists.json text; errors as for library files.
PlaylistsFile parsePlaylistsFile(std::string_view text, const std::string& file);

// Reads the playlists file at `path`, at most kPlaylistsFileLimit long.
PlaylistsFile loadPlaylistsFile(const std::filesystem::path& path);

}  // namespace library

#endif  // VOSTREL_LIBRARY_LIBRARY_FILE_H_
