#include "dispatch/WorkerPool.h"

WorkerPool& WorkerPool::global() {
  static WorkerPool pool(kGlobalWorkers);
  return pool;
}

WorkerPool::WorkerPool(std::size_t workers) {
  workers_.reserve(workers);
  for (std::size_t index = 0; index < workers; ++index) workers_.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
  std::deque<Task> dropped;
  {
    std::lock_guard guard(mutex_);
    stopping_ = true;
    dropped.swap(tasks_);
    wake_.notify_all();
  }
  for (auto& worker : workers_) worker.join();
}

void WorkerPool::post(Task task) {
  std::lock_guard guard(mutex_);
  if (stopping_) return;
  tasks_.push_back(std::move(task));
  wake_.notify_one();
}

bool WorkerPool::isIdle() const {
  std::lock_guard guard(mutex_);
  return tasks_.empty() && running_ == 0;
}

void WorkerPool::work() {
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (stopping_) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
      ++running_;
    }
    task();
    // The task's captures go before the pool counts it as finished.
    task = nullptr;
    std::lock_guard guard(mutex_);
    --running_;
  }
}
