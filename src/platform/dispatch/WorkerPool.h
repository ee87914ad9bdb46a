#pragma once
// The threads behind the global (concurrent) queues: a few workers that run
// posted tasks in posting order, off the main thread. Work that must touch a
// page or a UIKit object posts itself back to the main run loop.
//
// The process-wide pool starts on first use and lives until exit; at exit,
// tasks not yet started are dropped and running ones are waited for.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
 public:
  using Task = std::function<void()>;

  // The global queues' pool, of kGlobalWorkers threads.
  static WorkerPool& global();
  static constexpr std::size_t kGlobalWorkers = 2;

  explicit WorkerPool(std::size_t workers);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void post(Task task);  // any thread

  // Whether every task posted so far has finished (for tests that must not
  // end while a worker still reads their files).
  bool isIdle() const;

 private:
  void work();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> tasks_;
  std::size_t running_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};
