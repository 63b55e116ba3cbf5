#include "library_tables/title_format_cache.h"

#include "db/database.h"
#include "library_tables/vtab_column.h"

namespace library_tables {

TitleFormatCache& TitleFormatCache::instance() {
  static TitleFormatCache cache;
  return cache;
}

const host::TitleFormatScript& TitleFormatCache::script(host::Host& host, std::string_view text) {
  if (last_text_ != nullptr && *last_text_ == text) return *last_script_;
  auto it = scripts_.find(text);
  if (it == scripts_.end()) {
    std::string error;
    host::TitleFormatScriptPtr compiled = host.compileTitleFormat(text, &error);
    if (compiled == nullptr) {
      db::LogToConsole(host, "tf(): the title-formatting expression \"" + std::string(text) +
                                 "\" does not compile: " + error, false);
      compiled = compileOrErrorScript(host, kErrorExpression);
    }
    it = scripts_.emplace(std::string(text), std::move(compiled)).first;
  }
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
