// Any bytes as one app folder's Info.plist (fuzz/README.md): a listed app has an
// identifier and a name, and its icon never comes from outside its folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "applist/InstalledAppScanner.h"
#include "support/AppListFixtures.h"
#include "support/TemporaryDeviceRoot.h"
#include "uikit/UIImage.h"

namespace {

namespace fs = std::filesystem;

// A device with one app folder holding an icon, and a larger PNG beside the
// folder that no icon name may reach.
struct Device {
  TemporaryDeviceRoot root{TemporaryDeviceRoot::memoryBackedParent()};  // a file written per input
  fs::path infoPlist = root.path() / "Applications/Fuzz.app/Info.plist";
  Device() {
    writeHostFile(root.path() / "Applications/Fuzz.app/Icon@2x.png", pngOfSize(120, 120));
    writeHostFile(root.path() / "Applications/Outside@3x.png", pngOfSize(4096, 4096));
    writeHostFile(root.path() / "Outside@3x.png", pngOfSize(4096, 4096));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Device device;
  writeHostFile(device.infoPlist, std::string_view(reinterpret_cast<const char*>(data), size));
  InstalledAppScanner scanner;  // a new one parses every time
  for (const auto& app : scanner.scan()) {
    if (app.bundleIdentifier().empty() || app.displayName().empty() || !app.icon()) std::abort();
    if (app.icon()->width() * app.icon()->scale() >= 4096) std::abort();  // a file outside the folder
  }
  return 0;
}
