#include "library/library_source.h"

#include <cstdlib>
#include <ostream>

#include "library/library_cache.h"
#include "library/library_scan.h"
#include "profile/data_error.h"

namespace library {
namespace {

// Whether the value `value` names a folder (see the header).
bool namesFolder(const std::filesystem::path& value) {
  std::error_code ec;
  const auto status = std::filesystem::status(value, ec);
  if (std::filesystem::exists(status)) return std::filesystem::is_directory(status);
  return value.extension() != ".json";
}

std::filesystem::path absoluteFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
  if (ec) absolute = folder;
  absolute = absolute.lexically_normal();
  // "/music/" and "/music" are one folder.
  if (absolute.has_relative_path() && !absolute.has_filename()) absolute = absolute.parent_path();
  return absolute;
}

LibrarySource fromValues(const std::vector<std::string>& values) {
  LibrarySource source;
  for (const std::string& value : values) {
    if (!namesFolder(value)) {
      if (values.size() > 1) {
        throw profile::DataError("\"" + value +
                                 "\" is a library file; only music folders can be given together as the library");
      }
      source.file = value;
      return source;
    }
    source.folders.push_back(absoluteFolder(value));
  }
  return source;
}

}  // namespace

LibrarySource chooseLibrarySource(const std::vector<std::string>& options, const profile::SettingsStore& settings,
                                  const std::filesystem::path& demo) {
  if (!options.empty()) return fromValues(options);
  if (const char* library = std::getenv("VOSTREL_LIBRARY"); library != nullptr && library[0] != '\0') {
    return fromValues({library});
  }
  if (!settings.musicFolders().empty()) {
    LibrarySource source;
    for (const std::string& folder : settings.musicFolders()) source.folders.push_back(absoluteFolder(folder));
    return source;
  }
  LibrarySource source;
  if (const auto last = settings.lastLibrary(); last && !last->empty()) {
    source.file = *last;
  } else {
    source.file = demo;
  }
  return source;
}

LibraryFile loadLibrarySource(const LibrarySource& source, const std::filesystem::path& profile_dir, bool rescan,
                              std::ostream& log) {
  if (!source.isFolders()) return loadLibraryFile(source.file);
  LibraryCache cache(profile_dir);
  if (!rescan) {
    for (const std::string& notice : cache.takeNotices()) log << notice << '\n';
    return loadCachedLibrary(cache, source.folders);
  }
  ScanResult scan = scanMusicFolders(cache, source.folders, {});
  for (const std::string& notice : scan.notices) log << notice << '\n';
  return std::move(scan.library);
}

}  // namespace library
