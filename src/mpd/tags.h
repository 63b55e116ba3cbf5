// The tags the protocol names, mapped to the library's fields (the columns
// of the same names in MediaLibrary), and how a track is written in replies.
#ifndef VOSTREL_MPD_TAGS_H_
#define VOSTREL_MPD_TAGS_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/track.h"

namespace mpd {

struct TagType {
  std::string_view name;   // as the protocol writes it
  std::string_view field;  // the library's field
};

inline constexpr std::array<TagType, 9> kTagTypes = {{
    {"Artist", "artist"},
    {"AlbumArtist", "album artist"},
    {"Album", "album"},
    {"Title", "title"},
    {"Track", "tracknumber"},
    {"Genre", "genre"},
    {"Date", "date"},
    {"Composer", "composer"},
    {"Disc", "discnumber"},
}};

// A bit per entry of kTagTypes: the tags a client asked to see (tagtypes).
inline constexpr uint32_t kAllTags = (uint32_t{1} << kTagTypes.size()) - 1;

// The index in kTagTypes of `name`, ignoring case.
std::optional<std::size_t> findTag(std::string_view name);

// The first value of a tag of `track` ("" when it has none); all of them
// with values().
std::string_view tagValue(const host::Track& track, std::size_t tag);

// The directory that holds the library's files by their folders.
inline constexpr std::string_view kFilesDirectory = "[Files]";

// The name a client sees for `track`: kFilesDirectory and the file's path
// ("[Files]/music/a.flac"), with "#N" for a subsong N other than 0.
std::string trackUri(const host::Track& track);

// Appends a song's lines: file, Last-Modified, the tags in `tags`, Time
// and duration.
void appendSong(std::string& out, const host::Track& track, uint32_t tags);

// "2024-05-01T12:00:00Z".
std::string isoTime(int64_t seconds);

}  // namespace mpd

#endif  // VOSTREL_MPD_TAGS_H_
