#pragma once
// A fresh, empty device root in a temporary folder, made the current device
// for its lifetime and removed afterwards (tests and benchmarks alike).
#include <filesystem>

class TemporaryDeviceRoot {
 public:
  TemporaryDeviceRoot();
  ~TemporaryDeviceRoot();
  TemporaryDeviceRoot(const TemporaryDeviceRoot&) = delete;
  TemporaryDeviceRoot& operator=(const TemporaryDeviceRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};
