// Reading the music files TagLib does not: Shorten, DSD (DSF and DSDIFF),
// raw AAC, Matroska audio, Ogg streams that do not begin with their audio
// (a video stream first), and the like, with libavformat.
//
//   builder.clear(); builder.setPath(uri); ...
//   if (readWithLibav("/music/a.shn", size, builder)) track = builder.build();
//
// The reader asks only the demuxers of audio formats, only about a file
// that begins as one of their formats does (libavformat is loaded for the
// first such file: see libav_api.h), and takes only a file whose content
// they recognise (not merely its name), with an audio stream of a known
// codec that yields a packet. Reading is bounded: a few hundred KiB are
// probed, a file that takes longer than a couple of seconds is given up,
// and a raw stream whose length must be counted by decoding it gets ten.
// libavformat's log is silenced: hostile files would fill stderr.
#ifndef VOSTREL_LIBRARY_TAG_READER_LIBAV_H_
#define VOSTREL_LIBRARY_TAG_READER_LIBAV_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "host/track_builder.h"

namespace library {

// Whether `head`, the first bytes of a file after its ID3v2 tags, begins as
// a format the reader asks libavformat about does.
bool mayBeLibavAudio(std::string_view head);

// The field name TagLib gives a tag that libavformat names `key` ("title":
// "TITLE", "album_artist": "ALBUMARTIST", "track": "TRACKNUMBER"); other
// names upper-cased; "" for the container's own technical entries
// ("encoder", "creation_time", "handler_name", ...), which are no tags.
std::string tagNameForLibavKey(std::string key);

// Reads `file`, of `size` bytes, into `builder`: the tags of the container
// and of its audio stream, the length and the technical fields "codec",
// "bitrate", "samplerate", "channels" and, for lossless codecs,
// "bitspersample". Returns false (and leaves `builder` with whatever it was
// given) when the file is not audio that libavformat reads.
// Safe to run on several threads at once, each with its own builder.
bool readWithLibav(const std::filesystem::path& file, uint64_t size, host::TrackBuilder& builder);

}  // namespace library

#endif  // VOSTREL_LIBRARY_TAG_READER_LIBAV_H_
