// Tracks as the host hands them to the component.
//
// A track is an immutable record shared by counted reference
// (TrackHandle). It holds the tag fields in file order with their values,
// the technical fields, the length and the replay gain. Field names keep the
// letter case they were read with; lookups ignore case and go through
// interned field ids, so that a lookup on a hot path compares integers
// instead of folding strings.
//
// Records are compact: each is one block in a TrackStore (see
// track_builder.h), laid out as
//
//   Track header | [ReplayGain] | TextSlot values | path | text
//
// The header points to the record's field layout (which fields, in which
// order, how many values each), which the store keeps once for all the
// records that share it; the replay gain is there only when the track has
// one. A value slot is four bytes: the distance from the slot to the
// value's text, which lies in the record or, for values repeated across a
// library (artist, album, genre, codec ...), ahead of the record that used
// it first. The path follows the slots. A handle keeps the whole store alive,
// so a view into a track's text stays valid while any handle or list
// holding one of the store's tracks lives. Tracks are made only by
// TrackBuilder.
#ifndef VOSTREL_HOST_TRACK_H_
#define VOSTREL_HOST_TRACK_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
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

// A field name as written (case kept), interned process-wide. The text of
// an id never moves or changes.
using NameId = uint32_t;
NameId internName(std::string_view spelled);
std::string_view nameText(NameId name);
FieldId nameField(NameId name);

// A text in a track store: a pointer to its bytes, which are preceded by
// their length (4 bytes) and followed by a zero. The top bit of the length
// says the bytes themselves hold a zero.
class TextRef {
 public:
  static constexpr uint32_t kInnerZero = 0x80000000u;
  static constexpr uint32_t kMaxLength = kInnerZero - 1;

  explicit TextRef(const char* bytes) : bytes_(bytes) {}
  std::string_view view() const { return {bytes_, size()}; }
  operator std::string_view() const { return view(); }
  std::size_t size() const { return word() & kMaxLength; }
  // The bytes hold no zero, so they read as a C string of size() bytes.
  bool plain() const { return (word() & kInnerZero) == 0; }
  const char* data() const { return bytes_; }

 private:
  uint32_t word() const {
    uint32_t w;
    std::memcpy(&w, bytes_ - sizeof w, sizeof w);
    return w;
  }
  const char* bytes_;
};

// A value as a record keeps it: the signed distance in bytes from the slot
// to the text's bytes. A slot is never copied out of its record, and a
// slot and its text are never further apart than kReach.
class TextSlot {
 public:
  static constexpr int64_t kReach = int64_t{1} << 31;
  // Made in place in a record. REQUIRES: `bytes` lie less than kReach away.
  explicit TextSlot(const char* bytes) : offset_(static_cast<int32_t>(reinterpret_cast<uintptr_t>(bytes) - here())) {}
  TextSlot(const TextSlot&) = delete;
  TextSlot& operator=(const TextSlot&) = delete;

  TextRef ref() const { return TextRef(reinterpret_cast<const char*>(here() + offset_)); }

 private:
  uintptr_t here() const { return reinterpret_cast<uintptr_t>(this); }
  int32_t offset_;
};
static_assert(sizeof(TextSlot) == 4);

// The values of one field: at least one for a stored field.
class ValueList {
 public:
  class iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;
    explicit iterator(const TextSlot* at) : at_(at) {}
    std::string_view operator*() const { return at_->ref().view(); }
    iterator& operator++() { ++at_; return *this; }
    iterator operator++(int) { iterator old = *this; ++at_; return old; }
    bool operator==(const iterator&) const = default;
    difference_type operator-(const iterator& other) const { return at_ - other.at_; }

   private:
    const TextSlot* at_;
  };

  ValueList(const TextSlot* data, std::size_t count) : data_(data), count_(count) {}
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  TextRef ref(std::size_t i) const { return data_[i].ref(); }
  std::string_view operator[](std::size_t i) const { return data_[i].ref().view(); }
  std::string_view front() const { return data_[0].ref().view(); }
  iterator begin() const { return iterator(data_); }
  iterator end() const { return iterator(data_ + count_); }
  std::vector<std::string> strings() const { return {begin(), end()}; }
  // Equal values in the same order.
  bool operator==(const ValueList& other) const {
    if (count_ != other.count_) return false;
    for (std::size_t i = 0; i < count_; ++i) {
      if ((*this)[i] != other[i]) return false;
    }
    return true;
  }

 private:
  const TextSlot* data_;
  std::size_t count_;
};

// Where one field's values lie in each record of a layout: the field, its
// name as written, its first value among the record's values, how many.
struct FieldSlot {
  FieldId id = kNoField;
  NameId name_id = 0;
  uint32_t first = 0;
  uint32_t value_count = 0;
};
static_assert(sizeof(FieldSlot) == 16);

// Which fields a record has, in which order (tags, then technical fields)
// and with how many values each: kept once per store for all the records
// that share it, so that a record holds only its values.
struct FieldLayout {
  const FieldSlot* fields = nullptr;
  uint32_t meta_count = 0;
  uint32_t tech_count = 0;
  uint32_t value_count = 0;  // of all the fields
};

// One field of a track: its id, its name as written and its values. A
// view made on demand from the record; it stays valid as long as the track.
struct InfoField {
  FieldId id = kNoField;
  NameId name_id = 0;
  uint32_t value_count = 0;
  const TextSlot* value_data = nullptr;

  std::string_view name() const { return nameText(name_id); }
  ValueList values() const { return {value_data, value_count}; }
};

// A field found, or none: used like a pointer to an InfoField.
class FieldPtr {
 public:
  FieldPtr() = default;
  FieldPtr(std::nullptr_t) {}  // NOLINT: reads as a null pointer
  explicit FieldPtr(const InfoField& field) : field_(field) {}
  const InfoField* operator->() const { return &field_; }
  const InfoField& operator*() const { return field_; }
  explicit operator bool() const { return field_.value_data != nullptr; }
  bool operator==(std::nullptr_t) const { return field_.value_data == nullptr; }

 private:
  InfoField field_;
};

// The fields of a track, in file order.
class FieldList {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = InfoField;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = InfoField;
    iterator(const FieldSlot* at, const TextSlot* values) : at_(at), values_(values) {}
    InfoField operator*() const { return {at_->id, at_->name_id, at_->value_count, values_ + at_->first}; }
    iterator& operator++() { ++at_; return *this; }
    iterator operator++(int) { iterator old = *this; ++at_; return old; }
    bool operator==(const iterator& other) const { return at_ == other.at_; }

   private:
    const FieldSlot* at_;
    const TextSlot* values_;
  };

  FieldList(const FieldSlot* first, std::size_t count, const TextSlot* values)
      : slots_(first), count_(count), values_(values) {}
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  InfoField operator[](std::size_t i) const { return *iterator(slots_ + i, values_); }
  iterator begin() const { return {slots_, values_}; }
  iterator end() const { return {slots_ + count_, values_}; }
  // The field with this id, or none. Linear over a handful of fields.
  FieldPtr find(FieldId id) const {
    for (std::size_t i = 0; i < count_; ++i) {
      if (slots_[i].id == id) return FieldPtr((*this)[i]);
    }
    return nullptr;
  }
  // The slot of field `i`, as the layout holds it.
  const FieldSlot& slot(std::size_t i) const { return slots_[i]; }

 private:
  const FieldSlot* slots_;
  std::size_t count_;
  const TextSlot* values_;
};

// Replay gain as the host reports it: an absent gain reads -1000, an absent
// peak -1.
struct ReplayGain {
  float album_gain = -1000.0f;
  float track_gain = -1000.0f;
  float album_peak = -1.0f;
  float track_peak = -1.0f;
};

struct TrackImageAccess;  // track_image.cpp

class Track {
 public:
  Track(const Track&) = delete;
  Track& operator=(const Track&) = delete;

  // Host notation, e.g. "file:///music/a.flac"; a zero follows it.
  std::string_view path() const { return pathRef().view(); }
  TextRef pathRef() const {
    return TextRef(reinterpret_cast<const char*>(values() + layout_->value_count) + sizeof(uint32_t));
  }
  uint32_t subsong() const { return subsong_; }
  uint64_t size() const { return size_; }    // bytes
  int64_t mtime() const { return mtime_; }   // seconds since 1970, UTC

  // False: the track has no info record; it then has no fields, length 0
  // and no replay gain.
  bool hasInfo() const { return (flags_ & kHasInfo) != 0; }
  double length() const { return length_; }  // seconds
  const ReplayGain& replayGain() const {
    return (flags_ & kHasGain) != 0 ? *reinterpret_cast<const ReplayGain*>(this + 1) : kNoGain;
  }
  FieldList meta() const { return {layout_->fields, layout_->meta_count, values()}; }  // tags
  FieldList tech() const { return {layout_->fields + layout_->meta_count, layout_->tech_count, values()}; }
  FieldPtr findMeta(FieldId id) const { return meta().find(id); }
  FieldPtr findTech(FieldId id) const { return tech().find(id); }
  // The layout of the fields, shared with the store's tracks that have the
  // same fields: equal pointers mean equal layouts within a store.
  const FieldLayout& layout() const { return *layout_; }

 private:
  friend class TrackBuilder;
  friend struct TrackImageAccess;
  static constexpr uint8_t kHasInfo = 1;
  static constexpr uint8_t kHasGain = 2;  // a ReplayGain follows the header
  static constexpr ReplayGain kNoGain{};

  explicit Track(const FieldLayout* layout) : layout_(layout) {}
  // The bytes of the header and the replay gain, if any.
  static std::size_t headSize(uint8_t flags) {
    return sizeof(Track) + (flags & kHasGain) * (sizeof(ReplayGain) / kHasGain);  // without a branch
  }
  const TextSlot* values() const {
    return reinterpret_cast<const TextSlot*>(reinterpret_cast<const char*>(this) + headSize(flags_));
  }

  const FieldLayout* layout_;
  uint64_t size_ = 0;
  int64_t mtime_ = 0;
  double length_ = 0.0;
  uint32_t subsong_ = 0;
  uint8_t flags_ = 0;
};
static_assert(sizeof(Track) == 40 && sizeof(ReplayGain) % alignof(TextSlot) == 0);

using TrackHandle = std::shared_ptr<const Track>;
using TrackList = std::vector<TrackHandle>;
// An immutable list shared by reference: a snapshot costs one reference.
using TrackListPtr = std::shared_ptr<const TrackList>;

}  // namespace host

#endif  // VOSTREL_HOST_TRACK_H_
