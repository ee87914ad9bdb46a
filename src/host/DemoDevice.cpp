#include "host/DemoDevice.h"

#include <unistd.h>

#include <stdexcept>
#include <system_error>

#include "host/HostPaths.h"

namespace fs = std::filesystem;

fs::path demoDeviceCopyPath(const std::optional<std::string>& xdgDataHome,
                            const std::optional<std::string>& home) {
  return userDataFolder(xdgDataHome, home) / "demo-device";
}

bool ensureDemoDeviceCopy(const fs::path& source, const fs::path& destination) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(destination, error))) return false;
  if (!fs::is_directory(source, error)) {
    throw std::runtime_error("the demo device " + source.string() + " is missing");
  }
  const fs::path partial =
      destination.parent_path() / (destination.filename().string() + ".partial-" + std::to_string(getpid()));
  auto fail = [&](const std::string& step, const std::error_code& cause) {
    std::error_code ignored;
    fs::remove_all(partial, ignored);
    return std::runtime_error("cannot " + step + ": " + cause.message());
  };
  fs::create_directories(destination.parent_path(), error);
  if (error) throw fail("create " + destination.parent_path().string(), error);
  fs::copy(source, partial, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
  if (error) throw fail("copy the demo device to " + partial.string(), error);
  fs::rename(partial, destination, error);
  if (error) {
    // Another first run may have won the race; its copy is as good as ours.
    if (fs::exists(destination)) {
      std::error_code ignored;
      fs::remove_all(partial, ignored);
      return false;
    }
    throw fail("move the demo device copy to " + destination.string(), error);
  }
  return true;
}
