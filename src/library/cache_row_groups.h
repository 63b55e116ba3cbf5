// Rows of the library cache's files table in groups, decoded into tracks
// on worker threads while the next group is read. Groups are decoded in
// any order and kept in order.
//
//   GroupDecoder decoder;
//   RowGroup group = decoder.next();
//   ... fill group.bytes and group.rows; when full:
//   decoder.add(std::exchange(group, decoder.next()));
//   for (RowGroup& done : decoder.finish()) ... row.track, or none for a damaged row
#ifndef VOSTREL_LIBRARY_CACHE_ROW_GROUPS_H_
#define VOSTREL_LIBRARY_CACHE_ROW_GROUPS_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host/track.h"

namespace library {

struct RowGroup {
  struct Row {
    uint32_t path_at, path_size, record_at, record_size;  // in bytes
    uint64_t size;
    int64_t mtime_ns;
    host::TrackHandle track;  // known already (then nothing to decode), or decoded
  };
  std::string bytes;
  std::vector<Row> rows;

  std::string_view text(uint32_t at, uint32_t size) const { return std::string_view(bytes).substr(at, size); }
};

class GroupDecoder {
 public:
  static constexpr std::size_t kGroupRows = 2048;

  GroupDecoder() = default;
  GroupDecoder(const GroupDecoder&) = delete;
  GroupDecoder& operator=(const GroupDecoder&) = delete;
  ~GroupDecoder() { finish(); }

  // An empty group to fill, with the bytes of one decoded before when
  // there is one: a library's worth of row bytes passes through a few
  // buffers instead of being taken from the system and given back.
  RowGroup next();
  // Takes a full group; the first one is held back, so that a small
  // library is decoded on the calling thread without starting any.
  void add(RowGroup group);
  // Decodes what is left and returns the groups in order.
  std::deque<RowGroup>& finish();

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable more_;
  std::deque<RowGroup> groups_;
  std::vector<std::string> spare_;  // bytes of decoded groups, for next()
  std::size_t next_ = 0;            // the first group no thread has taken
  bool closed_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_CACHE_ROW_GROUPS_H_
