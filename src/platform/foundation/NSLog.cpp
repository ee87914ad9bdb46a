#include "foundation/NSLog.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

// The process that loads the pane is the Settings app.
constexpr const char* kProcessName = "Preferences";

std::mutex& sinkMutex() {
  static std::mutex mutex;
  return mutex;
}

NSLogSink& sink() {
  static NSLogSink installed;
  return installed;
}

std::string timestamp() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char buffer[64];
  std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(buffer + length, sizeof buffer - length, ".%03lld", static_cast<long long>(millis));
  return buffer;
}

}  // namespace

void setNSLogSink(NSLogSink newSink) {
  std::lock_guard lock(sinkMutex());
  sink() = std::move(newSink);
}

void NSLogMessage(const std::string& message) {
  std::string line = timestamp() + " " + kProcessName + "[" + std::to_string(getpid()) + ":" +
                     std::to_string(static_cast<long>(syscall(SYS_gettid))) + "] " + message;
  NSLogSink installed;
  {
    std::lock_guard lock(sinkMutex());
    installed = sink();
  }
  // Called unlocked, so a sink that logs in turn cannot deadlock; stdio keeps
  // each line whole on its own.
  if (installed) {
    installed(message, line);
    return;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}
