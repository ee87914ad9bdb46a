#include "dispatch/Clock.h"

#include "dispatch/MainRunLoop.h"

Clock::Duration SystemClock::now() const {
  return std::chrono::duration_cast<Duration>(
      std::chrono::steady_clock::now().time_since_epoch());
}

void SystemClock::waitUntil(std::condition_variable& condition,
                            std::unique_lock<std::mutex>& lock, Duration deadline) const {
  condition.wait_until(lock, std::chrono::steady_clock::time_point(
                                 std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                     deadline)));
}

Clock::Duration ManualClock::now() const {
  std::lock_guard guard(mutex_);
  return now_;
}

void ManualClock::waitUntil(std::condition_variable& condition,
                            std::unique_lock<std::mutex>& lock, Duration) const {
  // Time only moves when a test advances it, so there is nothing to sleep for.
  condition.wait(lock);
}

void ManualClock::advance(Duration by) {
  {
    std::lock_guard guard(mutex_);
    now_ += by;
  }
  // A run loop waiting on this clock sleeps until told; timers may be due now.
  MainRunLoop::main().wake();
}
