#pragma once
// The clock seam of the main run loop: the host runs on the real (steady)
// clock, tests on a manual clock that they advance.
#include <chrono>
#include <condition_variable>
#include <mutex>

class Clock {
 public:
  using Duration = std::chrono::nanoseconds;
  virtual ~Clock() = default;
  // Time since an arbitrary, fixed start.
  virtual Duration now() const = 0;
  // Waits on the run loop's condition until `deadline` on this clock or a
  // notify; a manual clock never waits for time, only for a notify.
  virtual void waitUntil(std::condition_variable& condition, std::unique_lock<std::mutex>& lock,
                         Duration deadline) const = 0;
};

class SystemClock final : public Clock {
 public:
  Duration now() const override;
  void waitUntil(std::condition_variable& condition, std::unique_lock<std::mutex>& lock,
                 Duration deadline) const override;
};

class ManualClock final : public Clock {
 public:
  Duration now() const override;
  void waitUntil(std::condition_variable& condition, std::unique_lock<std::mutex>& lock,
                 Duration deadline) const override;
  // Moves time forward; work that becomes due runs at the run loop's next
  // runDue(), or at once in a running run(), which it wakes.
  void advance(Duration by);

 private:
  mutable std::mutex mutex_;
  Duration now_{0};
};
