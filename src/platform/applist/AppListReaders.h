#pragma once
// The threads that read the app list's files: every Info.plist of a scan
// and the icons a page asks for. On a phone mounted over the network each
// file step waits a round trip, so many files are read at once; the
// number of readers bounds what is in flight (and the load on a local disk).
//
// The pool starts on first use and lives until exit. Tasks run off the
// main thread, in posting order as readers come free.
#include <cstddef>
#include <functional>

class WorkerPool;

// Files of a far-away phone read at once: enough to hide round trips of
// tens of milliseconds, few enough for two cores and sshfs's own threads.
inline constexpr std::size_t kAppListReaders = 16;

WorkerPool& appListReaders();

// Calls read(index) for every index below count on the readers, at most
// kAppListReaders at a time, and returns when all are done; what a call
// throws is thrown here (the first of them), once every call has ended.
// The calling thread reads too.
void readInParallel(std::size_t count, const std::function<void(std::size_t index)>& read);
