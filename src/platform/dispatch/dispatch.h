#pragma once
// The libdispatch calls the pages use, over the main run loop.
#include <cstdint>
#include <functional>
#include <mutex>

using dispatch_block_t = std::function<void()>;
// Nanoseconds on the main run loop's clock; DISPATCH_TIME_NOW means "now".
using dispatch_time_t = std::uint64_t;
inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
// A time that never comes: work after it never runs.
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~dispatch_time_t{0};
inline constexpr std::int64_t NSEC_PER_SEC = 1'000'000'000;

struct dispatch_queue_s;
using dispatch_queue_t = dispatch_queue_s*;

// The main queue is the main run loop. The global queues (one per priority,
// all served by the same few worker threads, WorkerPool) run work off the
// main thread; dispatch_after takes the main queue only. A null queue
// throws std::invalid_argument.
dispatch_queue_t dispatch_get_main_queue();
inline constexpr long DISPATCH_QUEUE_PRIORITY_HIGH = 2;
inline constexpr long DISPATCH_QUEUE_PRIORITY_DEFAULT = 0;
inline constexpr long DISPATCH_QUEUE_PRIORITY_LOW = -2;
inline constexpr long DISPATCH_QUEUE_PRIORITY_BACKGROUND = -32768;
// flags must be 0; an unknown priority gives none, as libdispatch does.
dispatch_queue_t dispatch_get_global_queue(long identifier, unsigned long flags);
dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t deltaNanoseconds);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block);

using dispatch_once_t = std::once_flag;
void dispatch_once(dispatch_once_t* predicate, const dispatch_block_t& block);
