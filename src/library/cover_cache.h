// CoverCache: scaled copies of cover pictures, one file per picture in a
// folder of their own, so that other programs (the desktop's media
// controls) can show them by path.
//
//   CoverCache cache(CoverCache::defaultFolder(), 64 * kMiB);
//   const std::string key = CoverCache::key(cover.source);
//   if (auto file = cache.find(key)) ... use *file ...
//   else cache.store(key, scaled_png_bytes);
//
// An entry is named by its key: a hash of the picture's source (the file
// holding it, embedded or not) and that file's modification time and size,
// so that a changed file makes a new entry and the old one ages out. The
// folder is bounded: storing an entry removes the least recently used ones
// (by their files' modification times, which find() renews) until the
// entries fit. An entry found damaged by its reader is discard()ed.
//
// Not thread-safe: one thread at a time uses one cache object. Several
// processes may share the folder; entries are written atomically.
#ifndef VOSTREL_LIBRARY_COVER_CACHE_H_
#define VOSTREL_LIBRARY_COVER_CACHE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "library/cover_art.h"

namespace library {

class CoverCache {
 public:
  static constexpr uint64_t kDefaultLimit = uint64_t{64} << 20;

  // `folder` is made when the first entry is stored. `limit_bytes` bounds
  // the sum of the entries' sizes.
  CoverCache(std::filesystem::path folder, uint64_t limit_bytes = kDefaultLimit);

  // $XDG_CACHE_HOME/vostrel/covers, else ~/.cache/vostrel/covers.
  static std::filesystem::path defaultFolder();

  // The entry name for a picture from `source` (hex digits, no extension).
  static std::string key(const CoverSource& source);

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path entryPath(std::string_view key) const;

  // The entry's file when it holds something; marks it as just used.
  std::optional<std::filesystem::path> find(std::string_view key) const;
  // Writes the entry, then trims the folder to the limit (the new entry
  // stays, even alone over it). Throws profile::DataError when it cannot
  // be written.
  std::filesystem::path store(std::string_view key, std::string_view bytes);
  // Removes the entry (a damaged one, to be made again).
  void discard(std::string_view key) const;
  // Removes the least recently used entries until the rest fit the limit;
  // `keep` is never removed. Returns how many were removed.
  int trim(std::string_view keep = {}) const;

 private:
  std::filesystem::path folder_;
  uint64_t limit_;
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_COVER_CACHE_H_
