#include "host/info_mutex.h"

#include <gtest/gtest.h>
#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace host {
namespace {

using namespace std::chrono_literals;

// Takes and releases the lock often enough for it to lean towards the
// calling thread, where the kernel allows.
void leanTowardsThisThread(InfoMutex& mutex) {
  for (int i = 0; i < 1000; ++i) {
    mutex.lock();
    mutex.unlock();
  }
}

// What another thread does to the lock while this one holds it.
enum class Holder { kFavoured, kOther };

class InfoMutexHoldTest : public testing::TestWithParam<Holder> {};

// Whoever holds the lock (the favoured thread the fast way, or a thread that
// took the lean away), a second thread waits until it is released.
TEST_P(InfoMutexHoldTest, AnotherThreadWaitsUntilTheHolderLeaves) {
  InfoMutex mutex;
  leanTowardsThisThread(mutex);
  if (GetParam() == Holder::kOther) {
    // A helper thread takes the lean away and keeps the lock for this test.
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
      mutex.lock();
      held = true;
      while (!release) std::this_thread::yield();
      mutex.unlock();
    });
    while (!held) std::this_thread::yield();
    EXPECT_FALSE(mutex.leansToThisThread());
    std::atomic<bool> entered{false};
    std::thread waiter([&] {
      mutex.lock();
      entered = true;
      mutex.unlock();
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(entered);
    release = true;
    holder.join();
    waiter.join();
    EXPECT_TRUE(entered);
    return;
  }
  mutex.lock();
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    mutex.lock();
    entered = true;
    mutex.unlock();
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(entered);
  mutex.unlock();
  waiter.join();
  EXPECT_TRUE(entered);
  EXPECT_FALSE(mutex.leansToThisThread());
}

INSTANTIATE_TEST_SUITE_P(Holders, InfoMutexHoldTest, testing::Values(Holder::kFavoured, Holder::kOther));

TEST(InfoMutexTest, LeansTowardsAThreadThatTakesItAlone) {
  InfoMutex mutex;
  EXPECT_FALSE(mutex.leansToThisThread());
  leanTowardsThisThread(mutex);
  // Where the kernel lacks the barrier the lock never leans, which is sound.
  const long commands = syscall(SYS_membarrier, MEMBARRIER_CMD_QUERY, 0, 0);
  if (commands < 0 || (commands & MEMBARRIER_CMD_PRIVATE_EXPEDITED) == 0) {
    GTEST_SKIP() << "no process-wide memory barrier here";
  }
  EXPECT_TRUE(mutex.leansToThisThread());
  std::thread other([&] { EXPECT_FALSE(mutex.leansToThisThread()); });
  other.join();
}

// Threads that take the lock in bursts, so that the lean keeps moving
// between them, never overlap: every increment of a plain counter, read and
// written apart, survives.
TEST(InfoMutexTest, BurstsFromSeveralThreadsNeverOverlap) {
  InfoMutex mutex;
  constexpr int kThreads = 3;
  constexpr int kBursts = 60;
  constexpr int kBurst = 200;
  long counter = 0;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int b = 0; b < kBursts; ++b) {
        for (int i = 0; i < kBurst; ++i) {
          std::lock_guard<InfoMutex> lock(mutex);
          if (inside.fetch_add(1, std::memory_order_relaxed) != 0) overlapped = true;
          const long seen = counter;
          if (i % 16 == 0) std::this_thread::yield();
          counter = seen + 1;
          inside.fetch_sub(1, std::memory_order_relaxed);
        }
        std::this_thread::yield();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(counter, long{kThreads} * kBursts * kBurst);
}

}  // namespace
}  // namespace host
