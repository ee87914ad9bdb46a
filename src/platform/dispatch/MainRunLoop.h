#pragma once
// The main thread's run loop: every page and platform object runs on it.
// Other threads (the host's HTTP threads) hand it work with post() and wait
// for their own result.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "dispatch/Clock.h"

class MainRunLoop {
 public:
  using Task = std::function<void()>;

  // The process's main run loop (the main queue's thread).
  static MainRunLoop& main();

  void setClock(std::shared_ptr<Clock> clock);  // SystemClock until set
  // The current time on the loop's clock (safe from any thread, also while
  // another thread swaps the clock).
  Clock::Duration now() const;

  void post(Task task);                              // any thread; runs in order
  void postAt(Clock::Duration deadline, Task task);  // at that time on the loop's clock

  // Runs, on the calling thread, every task that is due now, including tasks
  // that those post as due; returns how many ran.
  std::size_t runDue();
  // Runs due tasks on the calling thread until `done` holds, waiting for
  // other threads to post more; false when it still does not hold after
  // `limit` of real time (a guard against a test that would hang, not a
  // timing). Time on the loop's clock does not move.
  bool runUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Runs until stop(), sleeping until work is posted or a timer is due.
  // The calling thread becomes the main thread.
  void run();
  void stop();  // any thread
  // Makes a waiting run() look at its timers again (the manual clock moved).
  void wake();

  // Drops all pending tasks and timers (a test's fresh start).
  void reset();

  // The thread that runs the loop; before run() the thread that made it.
  bool isMainThread() const;
  void adoptCurrentThread();

 private:
  MainRunLoop();
  struct Timer {
    Clock::Duration deadline;
    std::uint64_t sequence;
    Task task;
  };
  bool takeDue(Task& task);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<Clock> clock_;
  std::vector<Timer> timers_;  // posted tasks are timers due at once
  std::uint64_t sequence_ = 0;
  bool stopping_ = false;
  std::thread::id mainThread_;
};
