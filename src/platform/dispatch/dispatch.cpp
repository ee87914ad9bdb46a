#include "dispatch/dispatch.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "dispatch/MainRunLoop.h"
#include "dispatch/WorkerPool.h"

struct dispatch_queue_s {
  const char* label;
};

namespace {

dispatch_queue_s mainQueue{"com.apple.main-thread"};
dispatch_queue_s globalQueues[] = {{"com.apple.root.high-priority"},
                                   {"com.apple.root.default-priority"},
                                   {"com.apple.root.low-priority"},
                                   {"com.apple.root.background-priority"}};

bool isGlobalQueue(dispatch_queue_t queue) {
  for (auto& global : globalQueues)
    if (queue == &global) return true;
  return false;
}

void requireMainQueue(dispatch_queue_t queue, const char* call) {
  if (queue != &mainQueue) {
    throw std::invalid_argument(std::string(call) + (isGlobalQueue(queue) ? ": takes the main queue only"
                                                                          : ": no such queue"));
  }
}

dispatch_time_t nowOnMainClock() {
  auto now = MainRunLoop::main().now().count();
  return now > 0 ? static_cast<dispatch_time_t>(now) : DISPATCH_TIME_NOW;
}

}  // namespace

dispatch_queue_t dispatch_get_main_queue() { return &mainQueue; }

dispatch_queue_t dispatch_get_global_queue(long identifier, unsigned long flags) {
  if (flags != 0) return nullptr;
  switch (identifier) {
    case DISPATCH_QUEUE_PRIORITY_HIGH: return &globalQueues[0];
    case DISPATCH_QUEUE_PRIORITY_DEFAULT: return &globalQueues[1];
    case DISPATCH_QUEUE_PRIORITY_LOW: return &globalQueues[2];
    case DISPATCH_QUEUE_PRIORITY_BACKGROUND: return &globalQueues[3];
    default: return nullptr;
  }
}

dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t deltaNanoseconds) {
  if (when == DISPATCH_TIME_FOREVER) return DISPATCH_TIME_FOREVER;
  const dispatch_time_t base = when == DISPATCH_TIME_NOW ? nowOnMainClock() : when;
  // Saturate as libdispatch does: never before the clock's start, never past forever.
  if (deltaNanoseconds < 0) {
    const auto back = static_cast<dispatch_time_t>(-(deltaNanoseconds + 1)) + 1;
    return back >= base ? DISPATCH_TIME_NOW : base - back;
  }
  const auto forward = static_cast<dispatch_time_t>(deltaNanoseconds);
  return forward >= DISPATCH_TIME_FOREVER - base ? DISPATCH_TIME_FOREVER : base + forward;
}

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block) {
  if (isGlobalQueue(queue)) {
    WorkerPool::global().post(std::move(block));
    return;
  }
  requireMainQueue(queue, "dispatch_async");
  MainRunLoop::main().post(std::move(block));
}

void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block) {
  requireMainQueue(queue, "dispatch_after");
  if (when == DISPATCH_TIME_FOREVER) return;
  if (when == DISPATCH_TIME_NOW) {
    MainRunLoop::main().post(std::move(block));
    return;
  }
  constexpr auto latest = static_cast<dispatch_time_t>(std::numeric_limits<Clock::Duration::rep>::max());
  const auto deadline = Clock::Duration(static_cast<Clock::Duration::rep>(std::min(when, latest)));
  MainRunLoop::main().postAt(deadline, std::move(block));
}

void dispatch_once(dispatch_once_t* predicate, const dispatch_block_t& block) {
  std::call_once(*predicate, block);
}
