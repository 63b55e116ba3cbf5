#include "library/track_record.h"

#include <bit>
#include <cstring>

#include "library/field_names.h"

namespace library {
namespace {

constexpr uint8_t kFormat = 1;
constexpr uint8_t kHasInfo = 1, kHasLength = 2, kHasGain = 4;

static_assert(std::endian::native == std::endian::little, "records are little-endian");

void putNumber(std::string& out, uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

void putText(std::string& out, std::string_view text) {
  putNumber(out, text.size());
  out.append(text);
}

template <typename T>
void putRaw(std::string& out, T value) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.append(bytes, sizeof value);
}

void putFields(std::string& out, const host::FieldList& fields) {
  putNumber(out, fields.size());
  for (const host::InfoField& field : fields) {
    putText(out, field.name());
    const host::ValueList values = field.values();
    putNumber(out, values.size());
    for (std::string_view value : values) putText(out, value);
  }
}

// Reads a record front to back; any read past its end sets failed().
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool failed() const { return failed_; }
  bool atEnd() const { return at_ == bytes_.size(); }

  uint64_t number() {
    uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (at_ >= bytes_.size()) break;
      const auto byte = static_cast<uint8_t>(bytes_[at_++]);
      value |= uint64_t{byte & 0x7Fu} << shift;
      if ((byte & 0x80) == 0) return value;
    }
    failed_ = true;
    return 0;
  }
  std::string_view text() {
    const uint64_t size = number();
    if (failed_ || size > bytes_.size() - at_) {
      failed_ = true;
      return {};
    }
    const std::string_view text = bytes_.substr(at_, size);
    at_ += size;
    return text;
  }
  template <typename T>
  T raw() {
    T value{};
    if (bytes_.size() - at_ < sizeof value) {
      failed_ = true;
      return value;
    }
    std::memcpy(&value, bytes_.data() + at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  uint8_t byte() { return raw<uint8_t>(); }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace

std::string encodeTrackRecord(const host::Track& track) {
  std::string out;
  out.reserve(256);
  out += static_cast<char>(kFormat);
  const host::ReplayGain& gain = track.replayGain();
  const host::ReplayGain none;
  const bool has_gain = gain.track_gain != none.track_gain || gain.track_peak != none.track_peak ||
                        gain.album_gain != none.album_gain || gain.album_peak != none.album_peak;
  const uint8_t flags = (track.hasInfo() ? kHasInfo : 0) | (track.length() != 0 ? kHasLength : 0) |
                        (has_gain ? kHasGain : 0);
  out += static_cast<char>(flags);
  if (flags & kHasLength) putRaw(out, track.length());
  if (flags & kHasGain) {
    putRaw(out, gain.track_gain);
    putRaw(out, gain.track_peak);
    putRaw(out, gain.album_gain);
    putRaw(out, gain.album_peak);
  }
  putFields(out, track.meta());
  putFields(out, track.tech());
  return out;
}

std::optional<host::NameId> TrackRecordDecoder::nameId(std::string_view name) {
  // Tracks of one library mostly name their fields alike and in the same
  // order: the name after the last one found is tried first.
  for (std::size_t tried = 0; tried < names_.size(); ++tried) {
    if (next_ >= names_.size()) next_ = 0;
    const Name& entry = names_[next_++];
    if (entry.text == name) return entry.id;
  }
  // Checked once, as it is met first: it is to become a column.
  if (fieldNameProblem(name) != nullptr) return std::nullopt;
  names_.push_back({std::string(name), host::internName(name)});
  next_ = names_.size();
  return names_.back().id;
}

bool TrackRecordDecoder::decode(std::string_view record, host::TrackBuilder& builder) {
  Reader reader(record);
  if (reader.byte() != kFormat) return false;
  const uint8_t flags = reader.byte();
  if (flags & kHasInfo) builder.setHasInfo();
  if (flags & kHasLength) builder.setLength(reader.raw<double>());
  if (flags & kHasGain) {
    host::ReplayGain gain;
    gain.track_gain = reader.raw<float>();
    gain.track_peak = reader.raw<float>();
    gain.album_gain = reader.raw<float>();
    gain.album_peak = reader.raw<float>();
    builder.setReplayGain(gain);
  }
  for (const bool tech : {false, true}) {
    const uint64_t fields = reader.number();
    for (uint64_t f = 0; f < fields && !reader.failed(); ++f) {
      const std::string_view name = reader.text();
      const uint64_t values = reader.number();
      const std::optional<host::NameId> id = reader.failed() || values == 0 ? std::nullopt : nameId(name);
      if (!id) {
        builder.clear();
        return false;
      }
      for (uint64_t v = 0; v < values && !reader.failed(); ++v) {
        const std::string_view value = reader.text();
        if (!reader.failed()) builder.addValue(tech, *id, value);
      }
    }
  }
  if (reader.failed() || !reader.atEnd()) {
    builder.clear();
    return false;
  }
  return true;
}

}  // namespace library
