// Tag and info field names as library files and tags give them: the checks
// a name must pass to become a column, how a name is shown in a message, and
// the cache of their interned ids a reader keeps.
#ifndef VOSTREL_LIBRARY_FIELD_NAMES_H_
#define VOSTREL_LIBRARY_FIELD_NAMES_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/track.h"

namespace library {

// Name ids by name as written, so that interning (which takes a lock) and
// checking a name run once per distinct name rather than once per tag.
// Tracks of one source name their fields in the same order, so the name
// after the one found last is tried first. Libraries have a few dozen
// names; one with many more gets a hash table instead of the walk.
class NameIdCache {
 public:
  const host::NameId* find(std::string_view name) {
    if (names_.size() < kWalked) {
      for (std::size_t tried = 0; tried < names_.size(); ++tried) {
        if (next_ >= names_.size()) next_ = 0;
        const Entry& entry = names_[next_++];
        if (entry.name == name) return &entry.id;
      }
      return nullptr;
    }
    const auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : &it->second;
  }

  host::NameId add(std::string_view name) {
    const host::NameId id = host::internName(name);
    names_.push_back({std::string(name), id});
    next_ = names_.size();
    if (names_.size() == kWalked) {
      for (const Entry& entry : names_) by_name_.emplace(entry.name, entry.id);
    } else if (names_.size() > kWalked) {
      by_name_.emplace(std::string(name), id);
    }
    return id;
  }

 private:
  static constexpr std::size_t kWalked = 64;
  struct Entry {
    std::string name;
    host::NameId id;
  };
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::vector<Entry> names_;
  std::size_t next_ = 0;  // where to look first
  std::unordered_map<std::string, host::NameId, Hash, std::equal_to<>> by_name_;
};

// Every tag and info field name may become a column of the library tables,
// and is shown in tree labels and console tables. A name is refused when it
// is empty, longer than kMaxFieldName bytes or holds a control character
// (U+0000 to U+001F, U+007F): such names only come from damaged tags, and a
// NUL cannot be declared as a column at all.
inline constexpr std::size_t kMaxFieldName = 1024;

// Why `name` cannot be a field name, or nullptr when it can.
const char* fieldNameProblem(std::string_view name);

// ".name" for a plain name, else the name quoted, as in ["a\u0000b"]; a
// long name is cut short.
std::string memberPath(std::string_view name);

}  // namespace library

#endif  // VOSTREL_LIBRARY_FIELD_NAMES_H_
