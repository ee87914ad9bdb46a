#include "dispatch/MainRunLoop.h"

#include <algorithm>

namespace {

// Orders the timer heap so that its front is the earliest deadline, and
// among equal deadlines the task posted first.
struct Later {
  template <class Timer>
  bool operator()(const Timer& left, const Timer& right) const {
    if (left.deadline != right.deadline) return left.deadline > right.deadline;
    return left.sequence > right.sequence;
  }
};

}  // namespace

MainRunLoop& MainRunLoop::main() {
  static MainRunLoop loop;
  return loop;
}

MainRunLoop::MainRunLoop()
    : clock_(std::make_shared<SystemClock>()), mainThread_(std::this_thread::get_id()) {}

void MainRunLoop::setClock(std::shared_ptr<Clock> clock) {
  std::lock_guard guard(mutex_);
  clock_ = clock ? std::move(clock) : std::make_shared<SystemClock>();
  wake_.notify_all();
}

Clock::Duration MainRunLoop::now() const {
  std::lock_guard guard(mutex_);
  return clock_->now();
}

void MainRunLoop::post(Task task) {
  std::lock_guard guard(mutex_);
  // Due at once: stamped with the current time, so it runs after timers that
  // fell due earlier and before those still ahead.
  timers_.push_back({clock_->now(), sequence_++, std::move(task)});
  std::push_heap(timers_.begin(), timers_.end(), Later{});
  wake_.notify_all();
}

void MainRunLoop::postAt(Clock::Duration deadline, Task task) {
  std::lock_guard guard(mutex_);
  timers_.push_back({deadline, sequence_++, std::move(task)});
  std::push_heap(timers_.begin(), timers_.end(), Later{});
  wake_.notify_all();
}

bool MainRunLoop::takeDue(Task& task) {
  std::lock_guard guard(mutex_);
  if (timers_.empty() || timers_.front().deadline > clock_->now()) return false;
  std::pop_heap(timers_.begin(), timers_.end(), Later{});
  task = std::move(timers_.back().task);
  timers_.pop_back();
  return true;
}

std::size_t MainRunLoop::runDue() {
  std::size_t count = 0;
  Task task;
  while (takeDue(task)) {
    // The lock is not held here: a task may post more work, which runs in
    // this same pass when it is due.
    Task running = std::move(task);
    running();
    ++count;
  }
  return count;
}

bool MainRunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  for (;;) {
    runDue();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    const bool workDue = !timers_.empty() && timers_.front().deadline <= clock_->now();
    if (workDue) continue;
    // Woken by a post from another thread; a short wait also catches a
    // condition that changes without one.
    if (wake_.wait_until(lock, std::min(giveUp, std::chrono::steady_clock::now() + std::chrono::milliseconds(5))) ==
            std::cv_status::timeout &&
        std::chrono::steady_clock::now() >= giveUp) {
      lock.unlock();
      runDue();
      return done();
    }
  }
}

void MainRunLoop::run() {
  adoptCurrentThread();
  for (;;) {
    runDue();
    std::unique_lock lock(mutex_);
    if (stopping_) {
      stopping_ = false;
      return;
    }
    if (timers_.empty()) {
      wake_.wait(lock);
    } else if (timers_.front().deadline > clock_->now()) {
      // Keep the clock alive while waiting, even if setClock replaces it.
      std::shared_ptr<Clock> clock = clock_;
      clock->waitUntil(wake_, lock, timers_.front().deadline);
    }
  }
}

void MainRunLoop::stop() {
  std::lock_guard guard(mutex_);
  stopping_ = true;
  wake_.notify_all();
}

void MainRunLoop::wake() {
  std::lock_guard guard(mutex_);
  wake_.notify_all();
}

void MainRunLoop::reset() {
  std::vector<Timer> dropped;
  {
    std::lock_guard guard(mutex_);
    dropped.swap(timers_);
    stopping_ = false;
  }
  // Destroyed outside the lock: a task's captures may post from their destructors.
}

bool MainRunLoop::isMainThread() const {
  std::lock_guard guard(mutex_);
  return mainThread_ == std::this_thread::get_id();
}

void MainRunLoop::adoptCurrentThread() {
  std::lock_guard guard(mutex_);
  mainThread_ = std::this_thread::get_id();
}
