#include "host/MainThreadGate.h"

#include <algorithm>
#include <utility>

#include "dispatch/MainRunLoop.h"

// One call's state, shared by the gate, the posted task and the busy timer,
// each of which may find the call already over.
struct MainThreadGate::Pending {
  enum class State { waiting, running, done, abandoned };
  std::function<void()> work;
  Answer answer;
  State state = State::waiting;  // guarded by the gate's mutex_
  bool slow = false;             // guarded by the gate's mutex_
};

MainThreadGate::MainThreadGate(MainRunLoop& loop, std::chrono::milliseconds busyAfter, BusyListener listener,
                               Schedule schedule)
    : loop_(loop), busyAfter_(busyAfter), listener_(std::move(listener)), schedule_(std::move(schedule)) {}

MainThreadGate::~MainThreadGate() { *alive_ = false; }

void MainThreadGate::call(std::function<void()> work, Answer answer) {
  if (loop_.isMainThread()) {
    std::exception_ptr failure;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    answer(failure);
    return;
  }
  auto pending = std::make_shared<Pending>(std::move(work), std::move(answer));
  bool refused = false;
  {
    std::lock_guard guard(mutex_);
    refused = closed_;
    if (!refused) pending_.push_back(pending);
  }
  if (refused) {
    pending->answer(std::make_exception_ptr(Stopping()));
    return;
  }
  if (schedule_) {
    std::weak_ptr<Pending> weak = pending;
    schedule_(busyAfter_, [this, weak] {
      if (auto still = weak.lock()) markSlow(still);
    });
  }
  // The gate goes on the main thread, so this check there cannot race it.
  loop_.post([this, pending, alive = alive_] {
    if (*alive) run(pending);
  });
}

void MainThreadGate::run(const std::shared_ptr<Pending>& pending) {
  {
    std::lock_guard guard(mutex_);
    if (pending->state == Pending::State::abandoned) return;
    pending->state = Pending::State::running;
  }
  std::exception_ptr failure;
  try {
    pending->work();
  } catch (...) {
    failure = std::current_exception();
  }
  forget(pending);
  pending->answer(failure);
}

void MainThreadGate::markSlow(const std::shared_ptr<Pending>& pending) {
  {
    std::lock_guard guard(mutex_);
    const bool over = pending->state == Pending::State::done || pending->state == Pending::State::abandoned;
    if (over || pending->slow) return;
    pending->slow = true;
  }
  changeSlowCalls(+1);
}

// The call is over: it leaves the list, and the busy count if it was slow.
void MainThreadGate::forget(const std::shared_ptr<Pending>& pending) {
  bool wasSlow = false;
  {
    std::lock_guard guard(mutex_);
    if (pending->state != Pending::State::abandoned) pending->state = Pending::State::done;
    wasSlow = std::exchange(pending->slow, false);
    std::erase(pending_, pending);
  }
  if (wasSlow) changeSlowCalls(-1);
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
  std::vector<std::shared_ptr<Pending>> abandoned;
  {
    std::lock_guard guard(mutex_);
    closed_ = true;
    // Work already running finishes (the loop is still in it) and answers
    // itself; only work the loop never picked up is given up.
    for (const auto& pending : pending_) {
      if (pending->state != Pending::State::waiting) continue;
      pending->state = Pending::State::abandoned;
      abandoned.push_back(pending);
    }
  }
  for (const auto& pending : abandoned) {
    forget(pending);
    pending->answer(std::make_exception_ptr(Stopping()));
  }
}

// The listener runs unlocked, as NSLog's sink does, so that it may call
// back into the gate. Two changes racing may reach it in either order; each
// tells the state as it is then, and only when it differs from the last told.
void MainThreadGate::changeSlowCalls(int by) {
  {
    std::lock_guard guard(mutex_);
    const bool wasBusy = slowCalls_ > 0;
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
