#include "library/cover_cache.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "profile/file_io.h"

namespace library {
namespace fs = std::filesystem;
namespace {

constexpr const char* kExtension = ".png";

// FNV-1a, 64 bits: stable across runs and builds, unlike std::hash.
uint64_t fnv1a(std::string_view bytes, uint64_t hash = 14695981039346656037ull) {
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string hex(uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 15];
  return text;
}

}  // namespace

CoverCache::CoverCache(fs::path folder, uint64_t limit_bytes) : folder_(std::move(folder)), limit_(limit_bytes) {}

fs::path CoverCache::defaultFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  fs::path base;
  // XDG base directories: a relative path is to be ignored.
  if (xdg != nullptr && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = fs::path(home) / ".cache";
  } else {
    base = fs::temp_directory_path();
  }
  return base / "vostrel" / "covers";
}

std::string CoverCache::key(const CoverSource& source) {
  // Two hashes of differently seeded text make collisions between distinct
  // sources practically impossible at any library's size.
  std::string text = source.file.string();
  text.push_back('\0');
  text += source.embedded ? "tags" : "file";
  text.push_back('\0');
  text += std::to_string(source.mtime) + ":" + std::to_string(source.size);
  return hex(fnv1a(text)) + hex(fnv1a(text, 0x6a09e667f3bcc908ull));
}

fs::path CoverCache::entryPath(std::string_view key) const { return folder_ / (std::string(key) + kExtension); }

std::optional<fs::path> CoverCache::find(std::string_view key) const {
  const fs::path path = entryPath(key);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) == 0 || ec) return std::nullopt;
  fs::last_write_time(path, fs::file_time_type::clock::now(), ec);
  return path;
}

fs::path CoverCache::store(std::string_view key, std::string_view bytes) {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  const fs::path path = entryPath(key);
  profile::writeFileAtomically(path, bytes);
  trim(key);
  return path;
}

void CoverCache::discard(std::string_view key) const {
  std::error_code ec;
  fs::remove(entryPath(key), ec);
}

int CoverCache::trim(std::string_view keep) const {
  struct Entry {
    fs::file_time_type used;
    uint64_t size;
    fs::path path;
  };
  std::vector<Entry> entries;
  uint64_t total = 0;
  const fs::path kept = keep.empty() ? fs::path() : entryPath(keep);
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() != kExtension) continue;
    std::error_code entry_ec;
    const uint64_t size = it->file_size(entry_ec);
    const fs::file_time_type used = it->last_write_time(entry_ec);
    if (entry_ec) continue;
    total += size;
    if (it->path() != kept) entries.push_back({used, size, it->path()});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.used < b.used; });
  int removed = 0;
  for (const Entry& entry : entries) {
    if (total <= limit_) break;
    std::error_code remove_ec;
    if (fs::remove(entry.path, remove_ec)) {
      total -= entry.size;
      ++removed;
    }
  }
  return removed;
}

}  // namespace library
