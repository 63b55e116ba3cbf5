// Tracks as the host hands them to the component.
//
// A track is an immutable record shared by counted reference
// (TrackHandle). Its info record holds the tag fields in file order with
// their values, the technical fields, the length and the replay gain. Field
// names keep the letter case they were read with; lookups ignore case and go
// through interned field ids, so that a lookup on a hot path compares
// integers instead of folding strings.
#ifndef VOSTREL_HOST_TRACK_H_
#define VOSTREL_HOST_TRACK_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// Interned, case-insensitive field name. Equal ids mean equal names after
// case folding. Ids are process-wide and never reused.
using FieldId = uint32_t;
inline constexpr FieldId kNoField = 0xFFFFFFFFu;

// Returns the id of `name` (case folded), creating it on first use.
FieldId internField(std::string_view name);
// Returns the id of `name` if it was ever interned, else kNoField.
// Never creates an entry; cheap enough for per-statement use.
FieldId findField(std::string_view name);

struct InfoField {
  FieldId id = kNoField;
  std::string name;                 // as written in the source, case kept
  std::vector<std::string> values;  // at least one value
};

// Replay gain as the host reports it: an absent gain reads -1000, an absent
// peak -1.
struct ReplayGain {
  float album_gain = -1000.0f;
  float track_gain = -1000.0f;
  float album_peak = -1.0f;
  float track_peak = -1.0f;
};

struct TrackInfo {
  std::vector<InfoField> meta;  // tag fields, file order
  std::vector<InfoField> tech;  // technical fields, file order
  double length = 0.0;          // seconds
  ReplayGain replay_gain;

  // The field with this id, or nullptr. Linear over a handful of fields.
  const InfoField* findMeta(FieldId id) const;
  const InfoField* findTech(FieldId id) const;
};

struct Track {
  std::string path;       // host notation, e.g. "file:///music/a.flac"
  uint32_t subsong = 0;
  uint64_t size = 0;      // bytes
  int64_t mtime = 0;      // seconds since 1970, UTC
  std::optional<TrackInfo> info;  // absent: the track has no info record
};

using TrackHandle = std::shared_ptr<const Track>;
using TrackList = std::vector<TrackHandle>;
// An immutable list shared by reference: a snapshot costs one reference.
using TrackListPtr = std::shared_ptr<const TrackList>;

}  // namespace host

#endif  // VOSTREL_HOST_TRACK_H_
