#include "host/track.h"

#include <mutex>
#include <string>
#include <unordered_map>

#include "host/text.h"

namespace host {
namespace {

// The process-wide table of interned field names.
class FieldTable {
 public:
  static FieldTable& instance() {
    static FieldTable table;
    return table;
  }

  FieldId intern(std::string_view name) {
    std::string key = foldCase(name);
    std::lock_guard<std::mutex> lock(mutex_);
    auto [it, inserted] = ids_.try_emplace(std::move(key), static_cast<FieldId>(ids_.size()));
    return it->second;
  }

  FieldId find(std::string_view name) {
    std::string key = foldCase(name);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = ids_.find(key);
    return it == ids_.end() ? kNoField : it->second;
  }

 private:
  std::mutex mutex_;  // the library loader may run off the UI thread later
  std::unordered_map<std::string, FieldId> ids_;
};

const InfoField* findIn(const std::vector<InfoField>& fields, FieldId id) {
  for (const InfoField& field : fields) {
    if (field.id == id) return &field;
  }
  return nullptr;
}

}  // namespace

FieldId internField(std::string_view name) { return FieldTable::instance().intern(name); }
FieldId findField(std::string_view name) { return FieldTable::instance().find(name); }

const InfoField* TrackInfo::findMeta(FieldId id) const { return findIn(meta, id); }
const InfoField* TrackInfo::findTech(FieldId id) const { return findIn(tech, id); }

}  // namespace host
