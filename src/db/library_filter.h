// LibraryFilter: narrows what MediaLibrary shows on one connection.
//
// A connection with a filter sees only the library tracks the filter lets
// through, in every statement it runs: the virtual table's cursor scans the
// narrowed list, so SQLite never sees the others. Playlist and the other
// connections are not affected.
#ifndef VOSTREL_DB_LIBRARY_FILTER_H_
#define VOSTREL_DB_LIBRARY_FILTER_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "host/track.h"

namespace db {

// The tracks of a library that a filter lets through, in library order, and
// the position of each in the whole library (which stays its rowid).
struct FilteredLibrary {
  host::TrackListPtr tracks;
  std::shared_ptr<const std::vector<uint32_t>> positions;
};

class LibraryFilter {
 public:
  virtual ~LibraryFilter() = default;
  // The part of `library` that passes. Called at every cursor open, so an
  // implementation keeps its answer for the last library it was asked about.
  virtual FilteredLibrary apply(const host::TrackListPtr& library) = 0;
};

}  // namespace db

#endif  // VOSTREL_DB_LIBRARY_FILTER_H_
