// Playlist files: M3U, M3U8, PLS and XSPF, read into entries and written
// from a playlist's tracks. The format follows the file name's extension.
//
//   PlaylistFileContents read = readPlaylistFile("/music/Road Trip.m3u8");
//   // read.name == "Road Trip", read.entries[0].location == "file:///music/a.flac"
//   importPlaylist(host, read, read.name);      // a new playlist of its tracks
//   writePlaylistFile("/music/mix.xspf", host.playlistItems(0), "Mix");
//
// Reading: relative paths are taken against the playlist file's folder;
// absolute paths and "file://" URIs name files; other URLs ("http://...")
// are kept as written. Windows paths read as Windows users meant them:
// backslashes separate folders ("..\x.mp3" is the file x.mp3 beside the
// playlist's folder), and a drive-letter path ("C:\Music\a.mp3") becomes
// "file:///C:/Music/a.mp3", an entry that is missing here. M3U is in the
// locale's 8-bit encoding unless its text is valid UTF-8 (see decodePlaylistText);
// M3U8 is UTF-8, and both may have a BOM and CRLF line ends. A file that
// cannot be read as its format throws PlaylistFileError naming the file and
// the line; nothing is added then.
//
// Writing: a track in the playlist file's folder (or below it) is written as
// a path relative to that folder, any other as an absolute path; XSPF
// writes URIs, relative references or "file://" URIs. Files are replaced
// atomically.
#ifndef VOSTREL_PLAYER_PLAYLIST_FILE_H_
#define VOSTREL_PLAYER_PLAYLIST_FILE_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "profile/data_error.h"

namespace player {

class TrackIndex;

enum class PlaylistFormat { kM3u, kM3u8, kPls, kXspf };

// The format that `file`'s extension names (in any letter case: .m3u,
// .m3u8, .pls, .xspf), or nullopt.
std::optional<PlaylistFormat> playlistFormatOf(const std::filesystem::path& file);

// The extensions, without the dot, in the order of PlaylistFormat.
inline constexpr const char* kPlaylistExtensions[] = {"m3u", "m3u8", "pls", "xspf"};

// The largest playlist file read: a generous bound on 300,000 entries with
// titles, and a guard against reading a runaway file.
inline constexpr uint64_t kPlaylistFileLimit = uint64_t{256} << 20;

struct PlaylistEntry {
  // A "file://" URI of an absolute, lexically normal path (encoded as
  // library::fileUri does), or a URL as the file wrote it.
  std::string location;
  std::string title;    // the file's title for the entry: for M3U "Artist - Title"
  std::string creator;  // the artist, where the format keeps it apart (XSPF)
  double length = -1;   // seconds; negative when the file does not say
  bool operator==(const PlaylistEntry&) const = default;
};

struct PlaylistFileContents {
  // The title the file gives itself (XSPF <title>, M3U "#PLAYLIST:"), else
  // the file's name without its extension.
  std::string name;
  std::vector<PlaylistEntry> entries;
};

// A playlist file that is not what its format says; the message reads
//   Playlist file "/music/a.pls", line 7: "Length2" needs a number of seconds
class PlaylistFileError : public profile::DataError {
 public:
  PlaylistFileError(std::string_view file, std::size_t line, std::string_view problem);
  std::size_t line() const { return line_; }

 private:
  std::size_t line_;
};

// Reads `file`. Throws PlaylistFileError for a malformed file, DataError for
// an unknown extension or a file that cannot be read.
PlaylistFileContents readPlaylistFile(const std::filesystem::path& file);

// Reads the text of a playlist file in `format`, the bytes as stored (the
// encoding is worked out here). Relative locations are taken against
// `folder` (absolute); `file` names the file in messages. The name is left
// empty unless the text gives one.
PlaylistFileContents parsePlaylist(std::string_view bytes, PlaylistFormat format, const std::filesystem::path& folder,
                                   std::string_view file);

// The bytes of a playlist file of `entries` in `format`, with locations
// relative to `folder` (absolute) where they lie in it; `name` is the
// playlist's title where the format has one.
std::string formatPlaylist(const std::vector<PlaylistEntry>& entries, PlaylistFormat format,
                           const std::filesystem::path& folder, std::string_view name);

// The entries of a playlist's tracks: their locations, "title" and "artist"
// tags and lengths.
std::vector<PlaylistEntry> playlistEntries(const host::TrackList& tracks);

// Writes `tracks` to `file` in the format of its extension, atomically.
// Throws DataError for an unknown extension or a failed write.
void writePlaylistFile(const std::filesystem::path& file, const host::TrackList& tracks, std::string_view name);

// The tracks of `entries`: the library's track at each location (as a URI
// or as a plain path), else a track of its own as playlists.json's items
// outside the library get, with the file's statistics (none for a file that
// is missing), holding the entry's title, artist and length where it has them.
host::TrackList playlistEntryTracks(const std::vector<PlaylistEntry>& entries, const TrackIndex& library);

// `name`, or when a playlist has that name already the first of
// "name (2)", "name (3)" ... that none has.
std::string unusedPlaylistName(const host::Host& host, std::string_view name);

struct ImportedPlaylist {
  std::size_t playlist;         // its index
  std::size_t outside_library;  // items that are not the library's tracks
};

// Adds a playlist named `name` holding the tracks of `contents` (matched
// against the host's library), through the host's playlist operations.
ImportedPlaylist importPlaylist(host::Host& host, const PlaylistFileContents& contents, std::string_view name);

// The tracks of the playlist file `file`, as importPlaylist takes them.
// Throws as readPlaylistFile does.
host::TrackList readPlaylistFileTracks(const host::Host& host, const std::filesystem::path& file);

}  // namespace player

#endif  // VOSTREL_PLAYER_PLAYLIST_FILE_H_
