#pragma once
// A fresh, empty device root in a temporary folder, made the current device
// for its lifetime and removed afterwards (tests and benchmarks alike).
#include <filesystem>

class TemporaryDeviceRoot {
 public:
  // In the system's temporary folder, or in `parent` (a memory-backed one
  // makes tens of thousands of files in a moment).
  explicit TemporaryDeviceRoot(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
  ~TemporaryDeviceRoot();
  TemporaryDeviceRoot(const TemporaryDeviceRoot&) = delete;
  TemporaryDeviceRoot& operator=(const TemporaryDeviceRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // /dev/shm where the system has it writable, else the temporary folder:
  // for roots of tens of thousands of files, which a busy disk takes minutes
  // to make and remove.
  static std::filesystem::path memoryBackedParent();

 private:
  std::filesystem::path path_;
};
