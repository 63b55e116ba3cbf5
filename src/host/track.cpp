#include "host/track.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "host/text.h"

namespace host {
namespace {

struct Hash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

// The process-wide tables of interned field names: folded names to field
// ids, and names as written to name ids.
class FieldTable {
 public:
  static FieldTable& instance() {
    static FieldTable table;
    return table;
  }

  FieldId intern(std::string_view name) {
    std::string key = foldCase(name);
    std::lock_guard<std::mutex> lock(mutex_);
    return internFolded(std::move(key));
  }

  FieldId find(std::string_view name) {
    std::string key = foldCase(name);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = ids_.find(key);
    return it == ids_.end() ? kNoField : it->second;
  }

  NameId internName(std::string_view spelled) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = names_.find(spelled);
      if (it != names_.end()) return it->second;
    }
    std::string key = foldCase(spelled);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = names_.find(spelled);
    if (it != names_.end()) return it->second;
    const FieldId field = internFolded(std::move(key));
    const NameId id = count_;
    Spelling* chunk = chunks_[id / kChunk].load(std::memory_order_relaxed);
    if (chunk == nullptr) {
      if (id / kChunk >= chunks_.size()) throw std::length_error("too many field names");
      chunk = new Spelling[kChunk];
      chunks_[id / kChunk].store(chunk, std::memory_order_release);
    }
    chunk[id % kChunk] = {std::string(spelled), field};
    names_.emplace(chunk[id % kChunk].text, id);
    ++count_;
    return id;
  }

  // Without the lock: an entry never changes once its id was handed out,
  // and whoever holds the id got it after the entry was written.
  const std::string& nameText(NameId name) const { return at(name).text; }
  FieldId nameField(NameId name) const { return at(name).field; }

 private:
  struct Spelling {
    std::string text;
    FieldId field;
  };

  static constexpr NameId kChunk = 1024;

  const Spelling& at(NameId name) const {
    return chunks_[name / kChunk].load(std::memory_order_acquire)[name % kChunk];
  }

  FieldId internFolded(std::string key) {
    auto [it, inserted] = ids_.try_emplace(std::move(key), static_cast<FieldId>(ids_.size()));
    return it->second;
  }

  std::mutex mutex_;  // the library loader may run off the UI thread later
  std::unordered_map<std::string, FieldId> ids_;
  // Names as written, in chunks that never move; they live as long as the
  // process.
  std::array<std::atomic<Spelling*>, 65536> chunks_{};
  NameId count_ = 0;
  std::unordered_map<std::string_view, NameId, Hash, std::equal_to<>> names_;
};

}  // namespace

FieldId internField(std::string_view name) { return FieldTable::instance().intern(name); }
FieldId findField(std::string_view name) { return FieldTable::instance().find(name); }
NameId internName(std::string_view spelled) { return FieldTable::instance().internName(spelled); }
std::string_view nameText(NameId name) { return FieldTable::instance().nameText(name); }
FieldId nameField(NameId name) { return FieldTable::instance().nameField(name); }

}  // namespace host
