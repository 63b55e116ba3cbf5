// The compact form the library cache keeps a track's information in: its
// fields, length and replay gain (the location, size and modification time
// are columns of their own).
//
//   byte 0     format, 1
//   byte 1     flags: 1 has info, 2 length follows, 4 replay gain follows
//   [8 bytes]  length, a little-endian double
//   [16 bytes] track gain, track peak, album gain, album peak: floats
//   meta fields, then tech fields: a count, then per field its name and
//   its values, each a count and the bytes; counts and sizes are LEB128.
//
// Decoding checks every count and size against the bytes at hand, and
// every field name against field_names.h, so that a damaged row yields no
// track rather than a crash or a name that cannot be a column.
#ifndef VOSTREL_LIBRARY_TRACK_RECORD_H_
#define VOSTREL_LIBRARY_TRACK_RECORD_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/track.h"
#include "host/track_builder.h"

namespace library {

// The record of `track`.
std::string encodeTrackRecord(const host::Track& track);

// Turns records back into tracks, remembering the field names it met so
// that a library's few dozen names are interned once.
class TrackRecordDecoder {
 public:
  // Adds the fields, length and replay gain of `record` to the track being
  // built; false (leaving the builder cleared) when the record is damaged.
  bool decode(std::string_view record, host::TrackBuilder& builder);

 private:
  // The id of the field name `name`; none when it cannot be one.
  std::optional<host::NameId> nameId(std::string_view name);

  struct Name {
    std::string text;
    host::NameId id;
  };
  std::vector<Name> names_;
  std::size_t next_ = 0;  // where the next name is likely to be
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_TRACK_RECORD_H_
