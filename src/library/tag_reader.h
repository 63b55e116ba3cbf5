// Reading one music file's tags and audio properties with TagLib.
//
//   host::TrackBuilder builder;
//   host::TrackHandle track = readMusicFile("/music/a.flac", {size, mtime}, builder);
//   if (!track) ... not a track: a file TagLib does not know, or one it
//                  could read nothing from ...
//
// The track has every field of the file's property map, each with all its
// values, under TagLib's names for them; the length in seconds (with the
// milliseconds); the technical fields "codec", "bitrate" (kbit/s),
// "samplerate", "channels" and, where the format has it, "bitspersample";
// and the replay gain of the REPLAYGAIN_* fields (absent: -1000 dB, peak
// -1). A damaged file TagLib opens keeps whatever could be read. Field
// names that cannot be columns (empty, control characters, over 1024
// bytes) are left out, as are values too long to store.
#ifndef VOSTREL_LIBRARY_TAG_READER_H_
#define VOSTREL_LIBRARY_TAG_READER_H_

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "host/track.h"
#include "host/track_builder.h"

namespace library {

// What the file system says about the file; the track takes it as it is.
struct FileFacts {
  uint64_t size = 0;
  int64_t mtime = 0;  // seconds since 1970
};

// Reads `file` into a track at `location` (its URI), built with `builder`;
// nullptr when it is not a track. Safe to run on several threads at once,
// each with its own builder.
host::TrackHandle readMusicFile(const std::filesystem::path& file, std::string_view location, const FileFacts& facts,
                                host::TrackBuilder& builder);

}  // namespace library

#endif  // VOSTREL_LIBRARY_TAG_READER_H_
