// JoinedValues: the joined texts of multi-valued fields that a cursor hands
// to SQLite, kept for the cursor's life.
//
// Joined per row into one buffer, every such value had to be copied by
// SQLite, since the buffer changes on the next row. Kept here instead, a
// joined text stays put and is handed over like the track's own texts. The
// values repeated across a library (artists, genres ...) are one text each
// in the track store, so the same combination on another track is found
// again by the addresses of its values, without joining it anew.
//
// Memory is bounded: once kept texts reach the budget, find() gives nothing
// and the caller joins and copies as before.
#ifndef VOSTREL_LIBRARY_TABLES_JOINED_VALUES_H_
#define VOSTREL_LIBRARY_TABLES_JOINED_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "host/track.h"

namespace library_tables {

class JoinedValues {
 public:
  static constexpr std::size_t kDefaultBudget = std::size_t{1} << 20;

  explicit JoinedValues(std::size_t budget = kDefaultBudget) : budget_(budget) {}
  JoinedValues(const JoinedValues&) = delete;
  JoinedValues& operator=(const JoinedValues&) = delete;

  // `values` (two or more) joined by `separator`, zero-terminated and
  // unchanged while this object lives; nullptr once the budget is spent,
  // for a text too large to keep (an eighth of the budget), or when the
  // joined text would hold a zero byte. Column `column` keeps its own texts,
  // so that columns with different separators never share one.
  const char* find(uint32_t column, const host::ValueList& values, std::string_view separator);

  bool full() const { return full_; }
  // find() gives nothing from now on: for an owner that ends before SQLite
  // is done with the values it set.
  void close() { full_ = true; }

 private:
  struct Entry {
    uint64_t hash = 0;
    uint32_t column = 0;
    uint32_t key = 0;    // where its value addresses start in keys_
    uint32_t count = 0;  // how many; 0 for an empty slot
    const char* text = nullptr;
  };

  bool matches(const Entry& entry, uint64_t hash, uint32_t column, const host::ValueList& values) const;
  const char* keep(uint32_t column, const host::ValueList& values, std::string_view separator, uint64_t hash,
                   std::size_t slot);
  char* room(std::size_t size);
  void grow();

  std::size_t budget_;
  std::size_t spent_ = 0;
  bool full_ = false;
  std::vector<Entry> table_;
  std::size_t used_ = 0;
  std::vector<const char*> keys_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* cursor_ = nullptr;
  std::size_t left_ = 0;
};

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_JOINED_VALUES_H_
