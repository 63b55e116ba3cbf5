// Finding a track's cover picture: the picture in its tags, failing that an
// image file in its folder.
//
//   CoverPicture cover = readCover("/music/Artist/Album/01 Song.flac");
//   if (cover.found()) ... cover.bytes, keyed by cover.source ...
//
// Tags: ID3v2 APIC frames (MP3, WAV, AIFF, TrueAudio), FLAC picture blocks,
// METADATA_BLOCK_PICTURE of Vorbis comments (Ogg Vorbis, Opus, FLAC), MP4
// "covr", the "Cover Art (Front)" items of APE tags (Monkey's Audio,
// WavPack, Musepack, MP3) and WM/Picture (ASF). Where a file holds several
// pictures, the first front cover wins, else the first picture. Folder
// images: cover, folder, front or album (in that order of preference) with
// .jpg, .jpeg, .png or .webp, the case of name and extension ignored.
//
// Pictures over kMaxCoverBytes are refused unread: a folder image by its
// file size, a tag picture before it is copied, so a tag claiming more than
// its file holds costs no memory here. Nothing here decodes a picture.
#ifndef VOSTREL_LIBRARY_COVER_ART_H_
#define VOSTREL_LIBRARY_COVER_ART_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace library {

// The largest picture read, from tags or from a file.
inline constexpr uint64_t kMaxCoverBytes = 16u << 20;

// Where a picture comes from: the file holding it and that file's state.
struct CoverSource {
  std::filesystem::path file;  // the track (embedded) or the image file
  bool embedded = false;
  int64_t mtime = 0;  // nanoseconds since 1970
  uint64_t size = 0;  // of `file`
};

struct CoverPicture {
  CoverSource source;
  std::string bytes;    // the encoded picture; empty when none was found
  std::string refused;  // why a picture found was not taken (too large ...)
  bool found() const { return !bytes.empty(); }
};

// The picture in the tags of `track_file`, with the file's state filled in;
// no bytes when it has none (or TagLib does not read the file).
CoverPicture readEmbeddedCover(const std::filesystem::path& track_file);

// The cover image in `folder`, if any.
std::optional<std::filesystem::path> findFolderImage(const std::filesystem::path& folder);

// The image in the folder of the track at `track_file`, read; no bytes
// when there is none (or it is refused: `refused` says why).
CoverPicture readFolderCover(const std::filesystem::path& track_file);

// The cover of the track at `track_file`: its embedded picture, else its
// folder's image. Safe on any thread; never throws for a file it cannot
// read (that is no cover).
CoverPicture readCover(const std::filesystem::path& track_file);

}  // namespace library

#endif  // VOSTREL_LIBRARY_COVER_ART_H_
