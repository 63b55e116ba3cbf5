// TitleFormatCache: the process-wide map from expression text to compiled
// script, so that tf() compiles each distinct expression once per process
// however many rows it is evaluated for.
//
//   SELECT tf(metadb_handle, '$stripprefix(%album artist%)') FROM MediaLibrary
//   -> one compilation, then one map lookup per row (none while the same
//      expression repeats).
#ifndef VOSTREL_LIBRARY_TABLES_TITLE_FORMAT_CACHE_H_
#define VOSTREL_LIBRARY_TABLES_TITLE_FORMAT_CACHE_H_

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "host/host.h"

namespace library_tables {

class TitleFormatCache {
 public:
  static TitleFormatCache& instance();
  TitleFormatCache(const TitleFormatCache&) = delete;
  TitleFormatCache& operator=(const TitleFormatCache&) = delete;

  // The script of `text` (compared byte-wise), compiled with `host` on first
  // use; a text that does not compile gets the script of "<ERROR>", and the
  // host console gets one line saying where and why (once per text, since
  // the text is then cached). Raises BugCheck when even "<ERROR>" fails.
  // The reference stays valid until clear().
  const host::TitleFormatScript& script(host::Host& host, std::string_view text);

  std::size_t size() const { return scripts_.size(); }
  // Drops every script. For tests and for a host that changes languages.
  void clear();

 private:
  TitleFormatCache() = default;

  std::map<std::string, host::TitleFormatScriptPtr, std::less<>> scripts_;
  // The entry used last: rows of one statement keep asking for it.
  const std::string* last_text_ = nullptr;
  const host::TitleFormatScript* last_script_ = nullptr;
};

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_TITLE_FORMAT_CACHE_H_
