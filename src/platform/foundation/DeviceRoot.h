#pragma once
// The device root: a folder laid out like the phone's file system. Every
// absolute device path ("/var/jb/...") resolves under it as inside a chroot:
// ".." stops at the root and symbolic links resolve inside it (openat2 with
// RESOLVE_IN_ROOT), so nothing ever reaches a file outside the root.
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/FileFaults.h"

class DeviceRoot {
 public:
  // Opens the folder; throws std::runtime_error with a clear message when it
  // is missing or not a folder.
  explicit DeviceRoot(const std::filesystem::path& hostDirectory);
  ~DeviceRoot();
  DeviceRoot(const DeviceRoot&) = delete;
  DeviceRoot& operator=(const DeviceRoot&) = delete;

  const std::filesystem::path& hostPath() const { return hostPath_; }
  int fd() const { return fd_; }  // O_PATH descriptor of the root folder

  // Opens a device path inside the root (openat2, RESOLVE_IN_ROOT); returns a
  // descriptor or -1 with errno set.
  int open(std::string_view devicePath, int flags, unsigned mode = 0) const;

  // The disk's condition, for tests: the faults the file steps on this root
  // meet. Not part of the root's identity, so changeable on a shared root.
  FileFaults& faults() const { return faults_; }

  // True the first time only: a store that could not keep a file's owner
  // says so once per root, not at every store.
  bool firstOwnerRefusal() const { return !ownerRefusalSeen_.exchange(true); }

  // Whether the last file step on this root failed as a mount does whose
  // link is down (ENOTCONN, EIO, ETIMEDOUT); the next step that succeeds
  // clears it. Any thread.
  bool unreachable() const { return unreachable_.load(); }
  // Tells the outcome of a file step: 0 or its errno value.
  void noteFileStep(int error) const;

 private:
  std::filesystem::path hostPath_;
  int fd_ = -1;
  mutable FileFaults faults_;
  mutable std::atomic<bool> ownerRefusalSeen_{false};
  mutable std::atomic<bool> unreachable_{false};
};

// The device the process runs on, as a simulator boots one device. The host
// sets it at start; each test sets a fresh temporary one.
void setCurrentDeviceRoot(std::shared_ptr<const DeviceRoot> root);
std::shared_ptr<const DeviceRoot> currentDeviceRoot();  // throws when none is set
