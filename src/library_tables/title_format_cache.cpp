#include "library_tables/title_format_cache.h"

#include "library_tables/vtab_column.h"

namespace library_tables {

TitleFormatCache& TitleFormatCache::instance() {
  static TitleFormatCache cache;
  return cache;
}

const host::TitleFormatScript& TitleFormatCache::script(const host::Host& host, std::string_view text) {
  if (last_text_ != nullptr && *last_text_ == text) return *last_script_;
  auto it = scripts_.find(text);
  if (it == scripts_.end()) it = scripts_.emplace(std::string(text), compileOrErrorScript(host, text)).first;
  last_text_ = &it->first;
  last_script_ = it->second.get();
  return *last_script_;
}

void TitleFormatCache::clear() {
  scripts_.clear();
  last_text_ = nullptr;
  last_script_ = nullptr;
}

}  // namespace library_tables
