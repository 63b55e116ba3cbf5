// The lock of the track-information database.
//
// The virtual-table scan takes it once per info-based value, millions of
// times a statement, and statements run on one thread at a time. So the lock
// leans towards the thread that took it many times in a row with nobody
// between: that thread takes and releases it with plain stores, without the
// atomic read-modify-write that would cost a fence each time and keep the
// scan's cache misses from overlapping. Any other thread first takes the
// lean away: it marks the lean as withdrawn, has the kernel run a memory
// barrier on every thread of the process (membarrier), and waits for the
// favoured thread to leave the value it may be in. The barrier stands in for
// the fence the favoured thread skipped: after it, that thread has either
// made its entry visible or will see the mark. Where the kernel lacks the
// barrier the lock never leans and is a plain futex mutex.
//
// Meets BasicLockable; not recursive.
#ifndef VOSTREL_HOST_INFO_MUTEX_H_
#define VOSTREL_HOST_INFO_MUTEX_H_

#include <atomic>
#include <cstdint>

namespace host {

class InfoMutex {
 public:
  void lock() noexcept {
    const uintptr_t me = threadTag();
    if (lean_.load(std::memory_order_relaxed) == me) {
      inside_.store(me, std::memory_order_relaxed);
      std::atomic_signal_fence(std::memory_order_seq_cst);
      // Read again after the entry: a lean withdrawn since the first read
      // (the mark, or none at all) sends this thread the slow way.
      if (lean_.load(std::memory_order_relaxed) == me) {
        std::atomic_signal_fence(std::memory_order_seq_cst);
        return;
      }
      inside_.store(0, std::memory_order_release);
    }
    lockSlow(me);
  }

  void unlock() noexcept {
    if (inside_.load(std::memory_order_relaxed) == threadTag()) {
      std::atomic_signal_fence(std::memory_order_seq_cst);
      inside_.store(0, std::memory_order_release);
      return;
    }
    base_.unlock();
  }

  // Whether the calling thread takes the lock the fast way now.
  bool leansToThisThread() const noexcept { return lean_.load(std::memory_order_relaxed) == threadTag(); }

 private:
  // A plain mutex on a futex: an uncontended lock is one atomic exchange; a
  // contended one sleeps instead of spinning.
  class FutexMutex {
   public:
    void lock() noexcept {
      int state = kFree;
      if (state_.compare_exchange_strong(state, kLocked, std::memory_order_acquire)) return;
      lockContended(state);
    }
    void unlock() noexcept {
      if (state_.exchange(kFree, std::memory_order_release) == kWaiters) state_.notify_one();
    }

   private:
    static constexpr int kFree = 0;
    static constexpr int kLocked = 1;
    static constexpr int kWaiters = 2;  // locked, and someone may sleep on it

    void lockContended(int state) noexcept;

    std::atomic<int> state_{kFree};
  };

  // Identifies the calling thread; never 0 and always even, so that the
  // withdrawal mark (the low bit) never makes another thread's tag.
  static uintptr_t threadTag() noexcept {
    alignas(8) static thread_local char tag;
    return reinterpret_cast<uintptr_t>(&tag);
  }

  void lockSlow(uintptr_t me) noexcept;

  static constexpr uintptr_t kWithdrawn = 1;

  // The favoured thread's tag (with kWithdrawn while it is taken away), or
  // 0. Changed only under base_.
  std::atomic<uintptr_t> lean_{0};
  // The favoured thread's tag while it holds the lock the fast way, else 0.
  // Written only by that thread.
  std::atomic<uintptr_t> inside_{0};
  FutexMutex base_;
  // Under base_: the thread that took it last, and how many times in a row.
  uintptr_t last_ = 0;
  uint32_t streak_ = 0;
};

}  // namespace host

#endif  // VOSTREL_HOST_INFO_MUTEX_H_
