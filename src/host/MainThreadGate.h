#pragma once
// How the HTTP threads get work done on the main thread: post it to the main
// run loop and wait for it, rethrowing what it threw. A call still running
// after `busyAfter` makes the gate busy until every slow call has finished;
// the listener hears each change (the browser shows that it is waiting).
#include <chrono>
#include <functional>
#include <mutex>

class MainRunLoop;

class MainThreadGate {
 public:
  using BusyListener = std::function<void(bool busy)>;

  MainThreadGate(MainRunLoop& loop, std::chrono::milliseconds busyAfter, BusyListener listener);

  // On the main thread itself, runs `work` at once.
  void call(const std::function<void()>& work);
  bool busy() const;

 private:
  void slowCallStarted();
  void slowCallEnded();

  MainRunLoop& loop_;
  std::chrono::milliseconds busyAfter_;
  BusyListener listener_;
  mutable std::mutex mutex_;
  int slowCalls_ = 0;
};
