// Decoding the cache's rows in groups; see cache_row_groups.h.
#include "library/cache_row_groups.h"

#include <algorithm>

#include "host/track_builder.h"
#include "library/track_record.h"

namespace library {
namespace {

constexpr std::size_t kGroupBytes = GroupDecoder::kGroupRows * 256;

int64_t wholeSeconds(int64_t ns) {
  return ns >= 0 ? ns / 1'000'000'000 : -((-ns + 999'999'999) / 1'000'000'000);
}

struct Decoder {
  host::TrackBuilder builder;
  TrackRecordDecoder records;

  void decode(RowGroup& group) {
    for (RowGroup::Row& row : group.rows) {
      if (row.track) continue;
      builder.setPath(group.text(row.path_at, row.path_size));
      builder.setSize(row.size);
      builder.setMtime(wholeSeconds(row.mtime_ns));
      // A damaged row is left out; the next scan that finds the file
      // changed reads it again.
      if (records.decode(group.text(row.record_at, row.record_size), builder)) {
        row.track = builder.build();
      } else {
        builder.clear();
      }
    }
  }
};

}  // namespace

RowGroup GroupDecoder::next() {
  RowGroup group;
  std::lock_guard lock(mutex_);
  if (!spare_.empty()) {
    group.bytes = std::move(spare_.back());
    spare_.pop_back();
  } else {
    group.bytes.reserve(kGroupBytes);
  }
  group.rows.reserve(kGroupRows);
  return group;
}

void GroupDecoder::add(RowGroup group) {
  std::lock_guard lock(mutex_);
  groups_.push_back(std::move(group));
  if (groups_.size() == 2 && workers_.empty()) {
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    for (unsigned i = 0; i < count; ++i) workers_.emplace_back([this] { work(); });
  }
  more_.notify_one();
}

std::deque<RowGroup>& GroupDecoder::finish() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    more_.notify_all();
  }
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  if (next_ < groups_.size()) {
    Decoder decoder;
    for (; next_ < groups_.size(); ++next_) {
      decoder.decode(groups_[next_]);
      groups_[next_].bytes = std::string();
    }
  }
  return groups_;
}

void GroupDecoder::work() {
  Decoder decoder;
  std::unique_lock lock(mutex_);
  for (;;) {
    more_.wait(lock, [this] { return next_ < groups_.size() || closed_; });
    if (next_ >= groups_.size()) return;
    RowGroup& group = groups_[next_++];  // a deque keeps it in place
    lock.unlock();
    decoder.decode(group);
    lock.lock();
    // The records are built: their bytes are not needed.
    group.bytes.clear();
    spare_.push_back(std::move(group.bytes));
  }
}

}  // namespace library
