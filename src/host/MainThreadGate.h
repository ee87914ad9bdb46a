#pragma once
// How the server gets work done on the main thread without waiting for it:
// post the work to the main run loop, which then answers on its own thread
// with what the work threw (none when it succeeded). The caller's answer
// function hands the result back to wherever it is needed (the server posts
// it to its I/O thread), so nothing but the main thread ever waits on a page.
//
// A call not answered `busyAfter` after it was made makes the gate busy until
// every slow call has been answered; the listener hears each change (the
// browser shows that it is waiting), on the thread that changed it, outside
// the gate's locks: it may ask busy(). Its calls never overlap and the last
// one tells the state. The time is kept by `schedule`, which must run its
// task once after the delay on a thread of its own choosing (the server's I/O
// thread), or drop it; never after the gate is gone.
//
// Stopping comes in two steps so that nobody waits for ever: close() refuses
// new calls while those already posted still run on the live loop; once the
// loop has ended, abandonWaiting() answers the calls it never ran. Destroy
// the gate on the main thread: calls it has not run are dropped unanswered.
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

class MainRunLoop;

class MainThreadGate {
 public:
  using BusyListener = std::function<void(bool busy)>;
  using Answer = std::function<void(std::exception_ptr failure)>;
  using Schedule = std::function<void(std::chrono::milliseconds delay, std::function<void()> task)>;

  // What a refused or abandoned call is answered with.
  struct Stopping : std::runtime_error {
    Stopping() : std::runtime_error("the Settings host is stopping") {}
  };

  MainThreadGate(MainRunLoop& loop, std::chrono::milliseconds busyAfter, BusyListener listener, Schedule schedule);
  ~MainThreadGate();
  MainThreadGate(const MainThreadGate&) = delete;
  MainThreadGate& operator=(const MainThreadGate&) = delete;

  // Runs `work` on the main thread, then `answer` there. On the main thread
  // itself both run at once, closed or not. Elsewhere, after close() or once
  // abandoned, `answer` gets Stopping at once, on the calling thread, and
  // `work` never runs.
  void call(std::function<void()> work, Answer answer);
  bool busy() const;

  // Any thread.
  void close();
  void abandonWaiting();

 private:
  struct Pending;
  void run(const std::shared_ptr<Pending>& pending);
  void markSlow(const std::shared_ptr<Pending>& pending);
  void forget(const std::shared_ptr<Pending>& pending);
  void changeSlowCalls(int by);

  MainRunLoop& loop_;
  std::chrono::milliseconds busyAfter_;
  BusyListener listener_;
  Schedule schedule_;
  mutable std::mutex mutex_;
  int slowCalls_ = 0;
  bool closed_ = false;
  std::vector<std::shared_ptr<Pending>> pending_;
  std::mutex listenerMutex_;  // held while the listener runs, never with mutex_
  bool toldBusy_ = false;     // guarded by listenerMutex_
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // main thread only
};
