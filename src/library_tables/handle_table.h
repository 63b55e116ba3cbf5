// HandleTable: the process-wide list of track handles behind the hidden
// column metadb_handle. Reading that column appends the row's handle and
// yields its index; query runs and actions read the indexes back into
// tracks and empty the table when they are done.
//
//   SELECT MetaDb_Handle FROM MediaLibrary WHERE artist = 'X'
//   -> 0, 1, 2 ... each an index into HandleTable
#ifndef VOSTREL_LIBRARY_TABLES_HANDLE_TABLE_H_
#define VOSTREL_LIBRARY_TABLES_HANDLE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/track.h"

namespace library_tables {

class HandleTable {
 public:
  static HandleTable& instance();

  // Appends a reference to `handle`; returns its 0-based index. Entries are
  // never reused while present.
  std::size_t append(const host::TrackHandle& handle) {
    handles_.push_back(handle);
    return handles_.size() - 1;
  }
  // The handle at `index`, or nullptr when the index is beyond the table.
  const host::TrackHandle* get(uint64_t index) const {
    return index < handles_.size() ? &handles_[index] : nullptr;
  }
  std::size_t size() const { return handles_.size(); }
  // Drops every entry (and so every reference).
  void clear() {
    handles_.clear();
    handles_.shrink_to_fit();
  }

 private:
  HandleTable() = default;
  std::vector<host::TrackHandle> handles_;
};

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_HANDLE_TABLE_H_
