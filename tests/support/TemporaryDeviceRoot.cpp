#include "support/TemporaryDeviceRoot.h"

#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

#include "foundation/DeviceRoot.h"

namespace {

std::filesystem::path makeTemporaryFolder(const std::filesystem::path& parent) {
  std::string pattern = (parent / "chimewell-device-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary device root");
  return pattern;
}

}  // namespace

std::filesystem::path TemporaryDeviceRoot::memoryBackedParent() {
  const std::filesystem::path memory = "/dev/shm";
  std::error_code unknown;
  return std::filesystem::is_directory(memory, unknown) && ::access(memory.c_str(), W_OK) == 0
             ? memory
             : std::filesystem::temp_directory_path();
}

TemporaryDeviceRoot::TemporaryDeviceRoot(const std::filesystem::path& parent) : path_(makeTemporaryFolder(parent)) {
  setCurrentDeviceRoot(std::make_shared<DeviceRoot>(path_));
}

TemporaryDeviceRoot::~TemporaryDeviceRoot() {
  setCurrentDeviceRoot(nullptr);
  // A test may have taken write permission away to make a write fail.
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}
