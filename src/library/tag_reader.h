// Reading one music file's tags and audio properties with TagLib.
//
//   host::TrackBuilder builder;
//   MusicFileRead read = readMusicFile("/music/a.flac", uri, {size, mtime}, builder);
//   if (!read.opened) ... could not be opened: try again later ...
//   else if (!read.track) ... not a track ...
//
// A file is a track when TagLib reads it as a format it knows and finds
// that format's audio in it. TagLib picks its reader by the file's name;
// the readers of FLAC, MP4, ASF, Ogg, S3M, IT and XM refuse a file without
// their structure, but those of MPEG, WAV, AIFF, Monkey's Audio, Musepack,
// WavPack, TrueAudio and MOD take any bytes (an empty file or a text named
// .mp3 comes back as a valid file of length 0). For these the file must
// hold an MPEG frame, or begin (after any ID3v2 tag) as its format does, as
// TagLib's quick checks of the format tell; the forms those checks miss
// count too: RF64 and BW64 wave files, Musepack streams of versions 4 to 6
// (their header's version says), and MOD files, which name their kind at
// byte 1080 or, the oldest, hold a song of patterns that makes sense.
//
// The track has every field of the file's property map, each with all its
// values, under TagLib's names for them; the length in seconds (with the
// milliseconds); the technical fields "codec", "bitrate" (kbit/s),
// "samplerate", "channels" and, where the format has it, "bitspersample";
// and the replay gain of the REPLAYGAIN_* fields (absent: -1000 dB, peak
// -1). A damaged file of a format found keeps whatever could be read. Field
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

// What reading a file gave.
struct MusicFileRead {
  host::TrackHandle track;  // nullptr: not a track, or not opened
  // False when the file could not be opened (no permission to read it, a
  // disk error, gone since it was listed): nothing is known about it.
  bool opened = false;
};

// Reads `file` into a track at `location` (its URI), built with `builder`.
// Safe to run on several threads at once, each with its own builder.
MusicFileRead readMusicFile(const std::filesystem::path& file, std::string_view location, const FileFacts& facts,
                            host::TrackBuilder& builder);

}  // namespace library

#endif  // VOSTREL_LIBRARY_TAG_READER_H_
