// InfoMutex's slow way; see info_mutex.h.
#include "host/info_mutex.h"

#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <exception>
#include <thread>

namespace host {
namespace {

// Takes this many locks in a row, with no other thread between, for the
// lock to lean towards a thread.
constexpr uint32_t kStreak = 64;

// Whether this process may ask for a barrier on all its threads; asks once.
bool barrierReady() noexcept {
  static const bool ready = [] {
    const long commands = syscall(SYS_membarrier, MEMBARRIER_CMD_QUERY, 0, 0);
    if (commands < 0 || (commands & MEMBARRIER_CMD_PRIVATE_EXPEDITED) == 0) return false;
    return syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
  }();
  return ready;
}

// A full memory barrier on every running thread of the process.
// REQUIRES: barrierReady().
void barrierOnEveryThread() noexcept {
  // Cannot fail once registered; if it ever did, the waits below would be
  // unsound, so stop rather than guess.
  if (syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) != 0) std::terminate();
}

}  // namespace

void InfoMutex::FutexMutex::lockContended(int state) noexcept {
  if (state != kWaiters) state = state_.exchange(kWaiters, std::memory_order_acquire);
  while (state != kFree) {
    state_.wait(kWaiters, std::memory_order_relaxed);
    state = state_.exchange(kWaiters, std::memory_order_acquire);
  }
}

void InfoMutex::lockSlow(uintptr_t me) noexcept {
  base_.lock();
  const uintptr_t lean = lean_.load(std::memory_order_relaxed);
  if (lean != 0 && lean != me) {
    lean_.store(lean | kWithdrawn, std::memory_order_relaxed);
    barrierOnEveryThread();
    // The favoured thread holds the lock for one value at most.
    while (inside_.load(std::memory_order_acquire) != 0) std::this_thread::yield();
    lean_.store(0, std::memory_order_relaxed);
  }
  if (last_ == me) {
    if (streak_ < kStreak) ++streak_;
  } else {
    last_ = me;
    streak_ = 1;
  }
  if (streak_ == kStreak && lean_.load(std::memory_order_relaxed) == 0 && barrierReady()) {
    lean_.store(me, std::memory_order_relaxed);
  }
}

}  // namespace host
