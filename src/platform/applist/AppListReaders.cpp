#include "applist/AppListReaders.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#include "dispatch/WorkerPool.h"

namespace {

// One readInParallel's indices, shared by the caller and the readers it
// asked; a reader that starts after the caller returned finds none left.
struct Batch {
  Batch(std::size_t indices, std::function<void(std::size_t)> reader) : count(indices), read(std::move(reader)) {}

  // Takes the next index until none is left, so a slow file holds up only
  // the one reading it.
  void readUntilNoneLeft() {
    std::exception_ptr thrown;
    try {
      for (std::size_t index = next++; index < count; index = next++) read(index);
    } catch (...) {
      thrown = std::current_exception();
      next = count;  // the others stop at their next index
    }
    std::lock_guard guard(mutex);
    if (thrown && !failure) failure = thrown;
  }

  const std::size_t count;
  const std::function<void(std::size_t)> read;
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t running = 0;  // readers between their start and their end
  std::exception_ptr failure;
};

}  // namespace

WorkerPool& appListReaders() {
  static WorkerPool pool(kAppListReaders);
  return pool;
}

void readInParallel(std::size_t count, const std::function<void(std::size_t index)>& read) {
  if (count == 0) return;
  auto batch = std::make_shared<Batch>(count, read);
  // The caller reads too: the batch ends even when no reader comes (the
  // pool drops what was not started when the process exits).
  for (std::size_t reader = 1; reader < std::min(count, kAppListReaders); ++reader) {
    appListReaders().post([batch] {
      {
        std::lock_guard guard(batch->mutex);
        ++batch->running;
      }
      batch->readUntilNoneLeft();
      std::lock_guard guard(batch->mutex);
      if (--batch->running == 0) batch->finished.notify_all();
    });
  }
  batch->readUntilNoneLeft();
  std::unique_lock lock(batch->mutex);
  batch->finished.wait(lock, [&] { return batch->running == 0; });
  if (batch->failure) std::rethrow_exception(batch->failure);
}
