#include "host/MainThreadGate.h"

#include <algorithm>
#include <condition_variable>
#include <exception>

#include "dispatch/MainRunLoop.h"

// One call's state, shared by the waiting thread and the posted task, which
// may run (or be dropped) after the waiter has given up.
struct MainThreadGate::Pending {
  enum class State { waiting, running, done, abandoned };
  std::mutex mutex;
  std::condition_variable changed;
  State state = State::waiting;
  std::exception_ptr failure;

  bool over() const { return state == State::done || state == State::abandoned; }
};

MainThreadGate::MainThreadGate(MainRunLoop& loop, std::chrono::milliseconds busyAfter, BusyListener listener)
    : loop_(loop), busyAfter_(busyAfter), listener_(std::move(listener)) {}

void MainThreadGate::call(const std::function<void()>& work) {
  if (loop_.isMainThread()) {
    work();
    return;
  }
  auto pending = std::make_shared<Pending>();
  {
    std::lock_guard guard(mutex_);
    if (closed_) throw Stopping();
    pending_.push_back(pending);
  }
  loop_.post([pending, work] {
    {
      std::lock_guard guard(pending->mutex);
      if (pending->state == Pending::State::abandoned) return;
      pending->state = Pending::State::running;
    }
    std::exception_ptr failure;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard guard(pending->mutex);
    pending->failure = failure;
    pending->state = Pending::State::done;
    pending->changed.notify_all();
  });

  bool abandoned = false;
  {
    std::unique_lock lock(pending->mutex);
    if (!pending->changed.wait_for(lock, busyAfter_, [&] { return pending->over(); })) {
      lock.unlock();
      changeSlowCalls(+1);
      lock.lock();
      pending->changed.wait(lock, [&] { return pending->over(); });
      lock.unlock();
      changeSlowCalls(-1);
      lock.lock();
    }
    abandoned = pending->state == Pending::State::abandoned;
  }
  {
    std::lock_guard guard(mutex_);
    std::erase(pending_, pending);
  }
  if (abandoned) throw Stopping();
  if (pending->failure) std::rethrow_exception(pending->failure);
}

bool MainThreadGate::busy() const {
  std::lock_guard guard(mutex_);
  return slowCalls_ > 0;
}

void MainThreadGate::close() {
  std::lock_guard guard(mutex_);
  closed_ = true;
}

void MainThreadGate::abandonWaiting() {
  std::lock_guard guard(mutex_);
  closed_ = true;
  for (const auto& pending : pending_) {
    std::lock_guard callGuard(pending->mutex);
    // Work already running finishes (the loop is still in it); only work the
    // loop never picked up is given up.
    if (pending->state != Pending::State::waiting) continue;
    pending->state = Pending::State::abandoned;
    pending->changed.notify_all();
  }
}

// The listener runs unlocked, as NSLog's sink does, so that it may call
// back into the gate. Two changes racing may reach it in either order; each
// tells the state as it is then, and only when it differs from the last told.
void MainThreadGate::changeSlowCalls(int by) {
  bool wasBusy = false;
  {
    std::lock_guard guard(mutex_);
    wasBusy = slowCalls_ > 0;
    slowCalls_ += by;
    if ((slowCalls_ > 0) == wasBusy) return;
  }
  if (!listener_) return;
  std::lock_guard telling(listenerMutex_);
  const bool now = busy();
  if (now == toldBusy_) return;
  toldBusy_ = now;
  listener_(now);
}
