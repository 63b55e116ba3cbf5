// Where a run's library comes from: a library file, or music folders that
// are scanned into the profile's cache.
//
//   LibrarySource source = chooseLibrarySource(options.libraries, settings, demo);
//   if (source.isFolders()) ... source.folders ...   // scanned
//   else ... source.file ...                         // a JSON library file
//
// The choice: the --library values when given (one library file, or one or
// more folders), else $VOSTREL_LIBRARY (a file or a folder), else the
// settings' music folders when there are any, else the library file last
// chosen, else the demo library. A value names a folder when it is one; a
// value that does not exist names a folder too unless it ends in ".json",
// so that an unmounted music folder keeps its cached tracks instead of
// failing as a file that cannot be read.
#ifndef VOSTREL_LIBRARY_LIBRARY_SOURCE_H_
#define VOSTREL_LIBRARY_LIBRARY_SOURCE_H_

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "library/library_file.h"
#include "profile/profile.h"
#include "profile/settings_store.h"

namespace library {

struct LibrarySource {
  std::filesystem::path file;                  // the library file, when there are no folders
  std::vector<std::filesystem::path> folders;  // absolute and normal
  bool isFolders() const { return !folders.empty(); }
};

// Throws DataError when several values are given and one of them is a
// file: only folders can be combined.
LibrarySource chooseLibrarySource(const std::vector<std::string>& options, const profile::SettingsStore& settings,
                                  const std::filesystem::path& demo);

// The library of `source`: the file read, or the tracks the cache in
// `profile_dir` holds for the folders, rescanned first when `rescan` (the
// scan's notices go to `log`, one line each). Throws DataError.
LibraryFile loadLibrarySource(const LibrarySource& source, const std::filesystem::path& profile_dir, bool rescan,
                              std::ostream& log);

}  // namespace library

#endif  // VOSTREL_LIBRARY_LIBRARY_SOURCE_H_
