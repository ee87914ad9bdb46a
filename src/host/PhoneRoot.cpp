#include "host/PhoneRoot.h"

#include <cerrno>
#include <chrono>
#include <exception>
#include <iostream>
#include <utility>

#include "dispatch/MainRunLoop.h"
#include "foundation/DeviceFiles.h"
#include "foundation/DeviceRoot.h"

namespace {

// How often the host looks whether sshfs still runs.
constexpr auto kCheckInterval = std::chrono::seconds(1);

// Mounting may wait for the network, or for a password typed at the terminal.
SshAddress announced(SshAddress address) {
  std::cout << "Mounting " << address.sshfsTarget() << " with sshfs..." << std::endl;
  return address;
}

void openDeviceRoot(const SshMount& mount) {
  setCurrentDeviceRoot(std::make_shared<DeviceRoot>(mount.mountPoint()));
  int error = 0;
  if (!statDevicePath("/var/mobile", &error) && error == ENOENT) {
    std::cout << "Warning: " << mount.description() << " has no /var/mobile: it does not look like a phone's "
              << "file system; the pane finds no apps or settings there.\n";
  }
}

}  // namespace

PhoneRoot::PhoneRoot(SshAddress address, const std::vector<std::string>& sshOptions,
                     const std::filesystem::path& runtimeFolder)
    : mount_(announced(std::move(address)), sshOptions, runtimeFolder) {
  openDeviceRoot(mount_);
}

PhoneRoot::~PhoneRoot() {
  *watching_ = false;
  // Work still under way when the host ends (a scan) then reads an empty
  // folder rather than the mount that goes.
  setCurrentDeviceRoot(std::make_shared<DeviceRoot>(mount_.instanceFolder()));
}

void PhoneRoot::watch(MainRunLoop& loop) {
  *watching_ = true;
  loop.postAt(loop.now() + kCheckInterval, [this, &loop, watching = watching_] {
    if (!*watching) return;
    check();
    watch(loop);
  });
}

void PhoneRoot::check() {
  if (mount_.running()) return;
  std::cout << "sshfs ended; mounting " << mount_.description() << " again." << std::endl;
  try {
    mount_.mountAgain();
    openDeviceRoot(mount_);
    std::cout << "Mounted " << mount_.description() << " again." << std::endl;
  } catch (const std::exception& failure) {
    std::cerr << "Cannot mount the phone again: " << failure.what() << std::endl;
  }
}
