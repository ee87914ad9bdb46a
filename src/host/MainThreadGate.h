#pragma once
// How the HTTP threads get work done on the main thread: post it to the main
// run loop and wait for it, rethrowing what it threw. A call still running
// after `busyAfter` makes the gate busy until every slow call has finished;
// the listener hears each change (the browser shows that it is waiting), on
// the thread of the call that changed it, outside the gate's lock: it may
// ask busy(). Its calls never overlap and the last one tells the state.
//
// Stopping comes in two steps so that no HTTP thread waits for ever: close()
// refuses new calls while those already posted still run on the live loop;
// once the loop has ended, abandonWaiting() fails the calls it never ran.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

class MainRunLoop;

class MainThreadGate {
 public:
  using BusyListener = std::function<void(bool busy)>;

  // What a refused or abandoned call throws.
  struct Stopping : std::runtime_error {
    Stopping() : std::runtime_error("the Settings host is stopping") {}
  };

  MainThreadGate(MainRunLoop& loop, std::chrono::milliseconds busyAfter, BusyListener listener);

  // On the main thread itself, runs `work` at once, closed or not (nothing waits).
  // Elsewhere throws Stopping after close(), or once abandoned, without running it.
  void call(const std::function<void()>& work);
  bool busy() const;

  // Any thread.
  void close();
  void abandonWaiting();

 private:
  struct Pending;
  void changeSlowCalls(int by);

  MainRunLoop& loop_;
  std::chrono::milliseconds busyAfter_;
  BusyListener listener_;
  mutable std::mutex mutex_;
  int slowCalls_ = 0;
  bool closed_ = false;
  std::vector<std::shared_ptr<Pending>> pending_;
  std::mutex listenerMutex_;  // held while the listener runs, never with mutex_
  bool toldBusy_ = false;     // guarded by listenerMutex_
};
