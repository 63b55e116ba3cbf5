// JoinedValues; see joined_values.h.
#include "library_tables/joined_values.h"

#include <algorithm>

namespace library_tables {
namespace {

constexpr std::size_t kBlock = 64 * 1024;
constexpr std::size_t kFirstSlots = 256;  // a power of two

uint64_t mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

uint64_t hashOf(uint32_t column, const host::ValueList& values) {
  uint64_t h = mix(0, column);
  for (std::size_t i = 0; i < values.size(); ++i) {
    h = mix(h, reinterpret_cast<uintptr_t>(values.ref(i).data()));
  }
  return h * 0xFF51AFD7ED558CCDull;
}

}  // namespace

bool JoinedValues::matches(const Entry& entry, uint64_t hash, uint32_t column, const host::ValueList& values) const {
  if (entry.hash != hash || entry.column != column || entry.count != values.size()) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (keys_[entry.key + i] != values.ref(i).data()) return false;
  }
  return true;
}

const char* JoinedValues::find(uint32_t column, const host::ValueList& values, std::string_view separator) {
  if (full_) return nullptr;
  if (table_.empty()) table_.resize(kFirstSlots);
  const uint64_t hash = hashOf(column, values);
  const std::size_t mask = table_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Entry& entry = table_[slot];
    if (entry.count == 0) return keep(column, values, separator, hash, slot);
    if (matches(entry, hash, column, values)) return entry.text;
  }
}

const char* JoinedValues::keep(uint32_t column, const host::ValueList& values, std::string_view separator,
                               uint64_t hash, std::size_t slot) {
  // Handed over zero-terminated, a text holding a zero would end early.
  if (separator.find('\0') != std::string_view::npos) return nullptr;
  std::size_t size = separator.size() * (values.size() - 1) + 1;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!values.ref(i).plain()) return nullptr;
    size += values.ref(i).size();
  }
  // The text, its key, and its share of a table kept at most half full.
  const std::size_t cost = size + values.size() * sizeof(const char*) + 2 * sizeof(Entry);
  // One large text would spend the budget that many small ones share.
  if (cost > budget_ / 8) return nullptr;
  if (spent_ + cost > budget_ || keys_.size() + values.size() > UINT32_MAX) {
    full_ = true;
    return nullptr;
  }
  spent_ += cost;
  char* text = room(size);
  char* out = text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out = std::copy(separator.begin(), separator.end(), out);
    const std::string_view value = values.ref(i).view();
    out = std::copy(value.begin(), value.end(), out);
  }
  *out = '\0';
  const auto key = static_cast<uint32_t>(keys_.size());
  for (std::size_t i = 0; i < values.size(); ++i) keys_.push_back(values.ref(i).data());
  table_[slot] = {hash, column, key, static_cast<uint32_t>(values.size()), text};
  if (++used_ * 2 > table_.size()) grow();
  return text;
}

char* JoinedValues::room(std::size_t size) {
  if (size > left_) {
    const std::size_t block = std::max(kBlock, size);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(block));
    cursor_ = blocks_.back().get();
    left_ = block;
  }
  char* at = cursor_;
  cursor_ += size;
  left_ -= size;
  return at;
}

void JoinedValues::grow() {
  std::vector<Entry> old(table_.size() * 2);
  old.swap(table_);
  const std::size_t mask = table_.size() - 1;
  for (const Entry& entry : old) {
    if (entry.count == 0) continue;
    std::size_t slot = entry.hash & mask;
    while (table_[slot].count != 0) slot = (slot + 1) & mask;
    table_[slot] = entry;
  }
}

}  // namespace library_tables
