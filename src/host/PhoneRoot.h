#pragma once
// The device root on a phone mounted over SSH, for as long as the host runs:
// the mount (SshMount) becomes the current device root at once. On the main
// loop it checks that sshfs still runs; when sshfs has ended, it mounts again
// and reopens the device root (a root opened on the old mount would only
// fail), trying again at the next check while the phone cannot be reached.
// At the end it lets go of the mount as the device root, then unmounts.
// Main thread only.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/SshAddress.h"
#include "host/SshMount.h"

class MainRunLoop;

class PhoneRoot {
 public:
  // Throws std::runtime_error with one line when the phone cannot be mounted.
  PhoneRoot(SshAddress address, const std::vector<std::string>& sshOptions,
            const std::filesystem::path& runtimeFolder);
  ~PhoneRoot();
  PhoneRoot(const PhoneRoot&) = delete;
  PhoneRoot& operator=(const PhoneRoot&) = delete;

  // Checks on sshfs on `loop` until this object goes.
  void watch(MainRunLoop& loop);

 private:
  void check();

  SshMount mount_;
  std::shared_ptr<bool> watching_ = std::make_shared<bool>(false);
};
