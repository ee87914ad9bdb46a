#include "support/TemporaryDeviceRoot.h"

#include <stdlib.h>

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
