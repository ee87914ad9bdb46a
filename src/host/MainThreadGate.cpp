#include "host/MainThreadGate.h"

#include <exception>
#include <future>
#include <memory>

#include "dispatch/MainRunLoop.h"

MainThreadGate::MainThreadGate(MainRunLoop& loop, std::chrono::milliseconds busyAfter, BusyListener listener)
    : loop_(loop), busyAfter_(busyAfter), listener_(std::move(listener)) {}

void MainThreadGate::call(const std::function<void()>& work) {
  if (loop_.isMainThread()) {
    work();
    return;
  }
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  loop_.post([done, work] {
    try {
      work();
      done->set_value();
    } catch (...) {
      done->set_exception(std::current_exception());
    }
  });
  if (finished.wait_for(busyAfter_) == std::future_status::timeout) {
    slowCallStarted();
    finished.wait();
    slowCallEnded();
  }
  finished.get();
}

bool MainThreadGate::busy() const {
  std::lock_guard guard(mutex_);
  return slowCalls_ > 0;
}

void MainThreadGate::slowCallStarted() {
  std::lock_guard guard(mutex_);
  if (slowCalls_++ == 0 && listener_) listener_(true);
}

void MainThreadGate::slowCallEnded() {
  std::lock_guard guard(mutex_);
  if (--slowCalls_ == 0 && listener_) listener_(false);
}
