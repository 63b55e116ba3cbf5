// Track images: a list of tracks saved as the bytes of their records, so
// that loading them is a copy and a pass that turns stored offsets back
// into addresses, instead of building each record anew.
//
//   std::string image = saveTrackImage(tracks);
//   host::TrackList again;
//   if (!loadTrackImage(image, again)) ...  // damaged: build them anew
//
// The image holds the records as they lie in memory, with every address in
// them replaced by an offset into the image and each record's field layout
// by an index into a table of the layouts (which name their fields by an
// index into a table of the names). Texts shared by several tracks are
// saved once. A checksum covers everything after the header, and every
// offset is checked before use, so that a damaged image yields nothing
// rather than a crash. Images are for this machine's byte order and this
// build's record layout: a different layout shows as a different version.
#ifndef VOSTREL_HOST_TRACK_IMAGE_H_
#define VOSTREL_HOST_TRACK_IMAGE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/track.h"

namespace host {

// The image of `tracks`, in their order.
std::string saveTrackImage(const TrackList& tracks);

// Takes `bytes` for `offset` of an image; false stops the writing.
using TrackImageSink = std::function<bool(uint64_t offset, std::string_view bytes)>;

// The image of a list of tracks, written piece by piece for one too large
// to hold as well as the tracks: the constructor lays it out, write() makes
// it in pieces of about a megabyte that cover size() bytes, in no promised
// order. The tracks must stay as they are until write() returns.
class TrackImageWriter {
 public:
  explicit TrackImageWriter(const TrackList& tracks);
  ~TrackImageWriter();
  TrackImageWriter(const TrackImageWriter&) = delete;
  TrackImageWriter& operator=(const TrackImageWriter&) = delete;

  uint64_t size() const;
  // False when `sink` said false.
  bool write(const TrackImageSink& sink);

 private:
  class Saver;
  std::unique_ptr<Saver> saver_;
};

// Whether a field name may be loaded; asked once for each name an image
// holds.
using NameCheck = std::function<bool(std::string_view name)>;

// Appends the tracks of `image` to `tracks`, all in one new store; false,
// leaving `tracks` as it was, when the image is damaged or of another
// version, or holds a field name `usable_name` (when given) refuses.
bool loadTrackImage(std::string_view image, TrackList& tracks, const NameCheck& usable_name = {});

// Reads `size` bytes from `offset` of an image into `into`; false when it
// cannot.
using ImageReader = std::function<bool(uint64_t offset, char* into, std::size_t size)>;
// The same for an image of `image_size` bytes read piece by piece, so that
// its records go straight to their store without a copy of the whole.
bool loadTrackImage(uint64_t image_size, const ImageReader& read, TrackList& tracks, const NameCheck& usable_name = {});

// Writes the checksums of `image` anew, so that an image changed on purpose
// (by a test, or a fuzzer) meets the checks behind them; leaves one whose
// header does not describe its size as it is.
void resealTrackImage(std::string& image);

}  // namespace host

#endif  // VOSTREL_HOST_TRACK_IMAGE_H_
