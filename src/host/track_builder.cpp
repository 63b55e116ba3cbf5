// TrackStore and TrackBuilder; see track_builder.h.
#include "host/track_builder.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <functional>
#include <new>
#include <stdexcept>

namespace host {
namespace {

// Blocks grow from small (a test's single track) to large (a library).
constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kLargestBlock = std::size_t{1} << 20;

// A field's values are looked up in the shared table until this many were
// seen; then only when at most half of them were new.
constexpr uint32_t kTrialValues = 2048;

// Values in a record at most this many: with kMaxValueSize, a record stays
// well within half a slot's reach.
constexpr std::size_t kMaxValues = std::size_t{1} << 24;

// A record at `at` shares a text this close, so that every slot of the
// record, which lies less than this far behind `at`, reaches it.
bool near(const char* at, const char* text) {
  constexpr int64_t kNear = TextSlot::kReach / 4;
  const auto distance = static_cast<int64_t>(reinterpret_cast<uintptr_t>(text) - reinterpret_cast<uintptr_t>(at));
  return distance > -kNear && distance < kNear;
}

constexpr std::size_t kLengthSize = sizeof(uint32_t);

std::size_t textSize(std::size_t size) { return kLengthSize + size + 1; }

// Writes `value` as a TextRef's bytes at `at`; returns the bytes.
const char* writeText(char* at, std::string_view value) {
  uint32_t word = static_cast<uint32_t>(value.size());
  if (value.find('\0') != std::string_view::npos) word |= TextRef::kInnerZero;
  std::memcpy(at, &word, kLengthSize);
  char* bytes = at + kLengthSize;
  if (!value.empty()) std::memcpy(bytes, value.data(), value.size());
  bytes[value.size()] = '\0';
  return bytes;
}

std::size_t hashText(std::string_view value) { return std::hash<std::string_view>()(value); }

}  // namespace

// Open addressing over the shared values; a slot keeps the hash so that a
// probe rarely touches the text.
struct TrackStore::Table {
  struct Slot {
    const char* text = nullptr;
    std::size_t hash = 0;
  };
  std::vector<Slot> slots = std::vector<Slot>(1024);
  std::size_t used = 0;

  Slot& find(std::string_view value, std::size_t hash) {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots[i];
      if (slot.text == nullptr) return slot;
      if (slot.hash == hash && TextRef(slot.text).view() == value) return slot;
    }
  }

  void grow() {
    std::vector<Slot> old(slots.size() * 2);
    old.swap(slots);
    const std::size_t mask = slots.size() - 1;
    for (const Slot& slot : old) {
      if (slot.text == nullptr) continue;
      std::size_t i = slot.hash & mask;
      while (slots[i].text != nullptr) i = (i + 1) & mask;
      slots[i] = slot;
    }
  }
};

TrackStore::TrackStore() : table_(std::make_unique<Table>()) {}
TrackStore::~TrackStore() = default;

TrackStore::Arena::~Arena() {
  for (const Block& block : blocks_) ::munmap(block.bytes, block.size);
}

char* TrackStore::Arena::room(std::size_t size, std::size_t align) {
  const std::size_t pad = (align - reinterpret_cast<uintptr_t>(cursor_) % align) % align;
  if (cursor_ == nullptr || pad + size > left_) {
    if (next_block_ == 0) next_block_ = kFirstBlock;
    static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t block = (std::max(next_block_, size) + page - 1) / page * page;
    blocks_.reserve(blocks_.size() + 1);
    void* bytes = ::mmap(nullptr, block, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (bytes == MAP_FAILED) throw std::bad_alloc();
    blocks_.push_back({static_cast<char*>(bytes), block});
    cursor_ = static_cast<char*>(bytes);
    left_ = block;
    reserved_ += block;
    next_block_ = std::min(next_block_ * 2, kLargestBlock);
    return cursor_;
  }
  return cursor_ + pad;
}

TrackStore::Shared TrackStore::shared(FieldId field, std::string_view value, const char* at) {
  if (field >= stats_.size()) stats_.resize(field + 1);
  FieldStats& stats = stats_[field];
  if (stats.off) return {};
  ++stats.seen;
  if (stats.seen == kTrialValues && stats.added * 2 > stats.seen) {
    stats.off = true;
    return {};
  }
  const Table::Slot& slot = table_->find(value, hashText(value));
  if (slot.text != nullptr && near(at, slot.text)) return {slot.text, false};
  if (slot.text == nullptr) ++stats.added;
  return {nullptr, true};
}

const char* TrackStore::storeShared(std::string_view value, const char* at) {
  char* place = texts_.room(textSize(value.size()), 1);
  if (!near(at, place)) return nullptr;
  texts_.take(place, textSize(value.size()));
  return writeText(place, value);
}

void TrackStore::keep(TextRef text) {
  const std::string_view value = text.view();
  const std::size_t hash = hashText(value);
  Table::Slot* slot = &table_->find(value, hash);
  if (slot->text == nullptr) {
    if ((table_->used + 1) * 4 > table_->slots.size() * 3) {
      table_->grow();
      slot = &table_->find(value, hash);
    }
    ++table_->used;
  }
  // A copy out of reach of the records to come gives way to this one.
  slot->text = text.data();
  slot->hash = hash;
}

const FieldLayout* TrackStore::layout(const FieldSlot* slots, std::size_t count, uint32_t meta_count) {
  key_.assign(reinterpret_cast<const char*>(&meta_count), sizeof meta_count);
  for (std::size_t i = 0; i < count; ++i) {
    key_.append(reinterpret_cast<const char*>(&slots[i].name_id), sizeof slots[i].name_id);
    key_.append(reinterpret_cast<const char*>(&slots[i].value_count), sizeof slots[i].value_count);
  }
  auto it = layouts_.find(key_);
  if (it != layouts_.end()) return it->second;
  auto* copies = reinterpret_cast<FieldSlot*>(layout_bytes_.allocate(count * sizeof(FieldSlot), alignof(FieldSlot)));
  uint32_t first = 0;
  for (std::size_t i = 0; i < count; ++i) {
    copies[i] = slots[i];
    copies[i].id = nameField(slots[i].name_id);
    copies[i].first = first;
    first += slots[i].value_count;
  }
  auto* layout = new (layout_bytes_.allocate(sizeof(FieldLayout), alignof(FieldLayout))) FieldLayout();
  layout->fields = copies;
  layout->meta_count = meta_count;
  layout->tech_count = static_cast<uint32_t>(count) - meta_count;
  layout->value_count = first;
  layouts_.emplace(key_, layout);
  return layout;
}

TrackBuilder::TrackBuilder(std::shared_ptr<TrackStore> store) : store_(std::move(store)) {}

void TrackBuilder::setPath(std::string_view path) {
  if (path.size() > kMaxValueSize) throw std::length_error("track path too long");
  // The path leads text_; values already added move behind the new one.
  const std::string values = text_.substr(path_size_);
  const auto shift = static_cast<int64_t>(path.size()) - static_cast<int64_t>(path_size_);
  text_.assign(path);
  text_ += values;
  path_size_ = path.size();
  for (Value& value : values_) value.offset = static_cast<uint32_t>(value.offset + shift);
}

void TrackBuilder::addValue(bool tech, NameId name, std::string_view value) {
  if (value.size() > kMaxValueSize || text_.size() + value.size() > kMaxValueSize) {
    throw std::length_error("track value too long");
  }
  if (values_.size() >= kMaxValues) throw std::length_error("too many track values");
  const FieldId id = nameField(name);
  uint32_t index = 0;
  while (index < fields_.size() && (fields_[index].id != id || fields_[index].tech != tech)) ++index;
  if (index == fields_.size()) fields_.push_back({id, name, tech, 0});
  ++fields_[index].count;
  values_.push_back({index, static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(value.size())});
  text_.append(value);
  has_info_ = true;
}

TrackHandle TrackBuilder::build() {
  TrackStore& store = *store_;
  const bool has_gain =
      has_info_ && (gain_.album_gain != ReplayGain().album_gain || gain_.track_gain != ReplayGain().track_gain ||
                    gain_.album_peak != ReplayGain().album_peak || gain_.track_peak != ReplayGain().track_peak);
  const uint8_t flags = (has_info_ ? Track::kHasInfo : 0) | (has_gain ? Track::kHasGain : 0);
  const std::size_t head = Track::headSize(flags);
  const std::size_t refs = values_.size() * sizeof(TextSlot);
  // Room for the record as if every value were new, so that what is shared
  // is known to be within reach of where the record goes.
  std::size_t most = alignof(Track) + head + refs + textSize(path_size_);
  for (const Value& value : values_) most += textSize(value.size);
  char* const room = store.room(most);

  // Each value's stored bytes: shared by an earlier record, new and to be
  // shared (among the shared values, or else ahead of the record, so that
  // the record's own texts are the only ones behind it), or the record's
  // own.
  std::vector<TrackStore::Shared>& stored = stored_;
  stored.assign(values_.size(), TrackStore::Shared());
  std::size_t own_bytes = textSize(path_size_);
  char* at = room;
  for (std::size_t i = 0; i < values_.size(); ++i) {
    const Value& value = values_[i];
    const std::string_view text = std::string_view(text_).substr(value.offset, value.size);
    stored[i] = store.shared(fields_[value.field].id, text, room);
    if (stored[i].keep) {
      stored[i].text = store.storeShared(text, room);
      if (stored[i].text == nullptr) {
        stored[i].text = writeText(at, text);
        at += textSize(value.size);
      }
      store.keep(TextRef(stored[i].text));
    } else if (stored[i].text == nullptr) {
      own_bytes += textSize(value.size);
    }
  }
  char* const record = at + (alignof(Track) - reinterpret_cast<uintptr_t>(at) % alignof(Track)) % alignof(Track);
  store.take(room, static_cast<std::size_t>(record - room) + head + refs + own_bytes);

  // Entries: tags first, then technical fields, each in the order named.
  std::vector<uint32_t>& order = order_;  // entry position by field index
  order.assign(fields_.size(), 0);
  uint32_t meta_count = 0;
  for (const Field& field : fields_) meta_count += field.tech ? 0 : 1;
  uint32_t next_meta = 0;
  uint32_t next_tech = meta_count;
  for (std::size_t f = 0; f < fields_.size(); ++f) order[f] = fields_[f].tech ? next_tech++ : next_meta++;

  // The layout: each field's slot in entry order.
  std::vector<FieldSlot>& slots = slots_;
  slots.assign(fields_.size(), FieldSlot());
  for (std::size_t f = 0; f < fields_.size(); ++f) {
    slots[order[f]] = {fields_[f].id, fields_[f].name, 0, fields_[f].count};
  }
  const FieldLayout* layout = store.layout(slots.data(), slots.size(), meta_count);

  auto* track = new (record) Track(layout);
  track->size_ = size_;
  track->mtime_ = mtime_;
  track->subsong_ = subsong_;
  track->flags_ = flags;
  if (has_info_) track->length_ = length_;
  if (has_gain) new (record + sizeof(Track)) ReplayGain(gain_);
  char* text = record + head + refs;
  writeText(text, this->path());
  text += textSize(path_size_);

  auto* values = reinterpret_cast<TextSlot*>(record + head);
  // The next value slot of each field, then the values in the order given.
  std::vector<uint32_t>& next = next_;
  next.assign(fields_.size(), 0);
  for (std::size_t f = 0; f < fields_.size(); ++f) next[f] = layout->fields[order[f]].first;
  for (std::size_t i = 0; i < values_.size(); ++i) {
    const Value& value = values_[i];
    const char* bytes = stored[i].text;
    if (bytes == nullptr) {
      bytes = writeText(text, std::string_view(text_).substr(value.offset, value.size));
      text += textSize(value.size);
    }
    new (values + next[value.field]++) TextSlot(bytes);
  }
  clear();
  return TrackHandle(store_, track);
}

void TrackBuilder::clear() {
  text_.clear();
  path_size_ = 0;
  fields_.clear();
  values_.clear();
  subsong_ = 0;
  size_ = 0;
  mtime_ = 0;
  length_ = 0.0;
  gain_ = ReplayGain();
  has_info_ = false;
}

}  // namespace host
