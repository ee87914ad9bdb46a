#include "host/HiddenLinks.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "foundation/DeviceRoot.h"
#include "foundation/FileDescriptor.h"

namespace {

// The folders behind which the pane's files lie: its settings and the sound
// library (/var/jb), the Settings app's preferences (/var/mobile), the
// installed apps (/var/containers).
constexpr std::array kPanePaths{"/var/jb/Library", "/var/mobile/Library/Preferences",
                                "/var/containers/Bundle/Application"};

// Whether the entry at `devicePath` is a link that cannot be read; the
// reason in `error`. False for anything else, a missing entry included.
bool isHiddenLink(const DeviceRoot& root, const std::string& devicePath, int& error) {
  FileDescriptor entry(root.open(devicePath, O_PATH | O_NOFOLLOW));
  struct stat status {};
  if (!entry.valid() || ::fstat(entry.get(), &status) != 0 || !S_ISLNK(status.st_mode)) return false;
  char target[PATH_MAX];
  if (::readlinkat(entry.get(), "", target, sizeof target) >= 0) return false;
  error = errno;
  return true;
}

}  // namespace

std::optional<HiddenLink> firstHiddenLink() {
  const auto root = currentDeviceRoot();
  for (const std::string path : kPanePaths) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
      const std::string prefix = path.substr(0, end);
      if (int error = 0; isHiddenLink(*root, prefix, error)) return HiddenLink{prefix, error};
      if (end == std::string::npos) break;
    }
  }
  return std::nullopt;
}

std::string hiddenLinkWarning(const HiddenLink& link) {
  return "Warning: the link " + link.devicePath + " of the device root cannot be read (" +
         std::strerror(link.error) + "), so nothing behind it can be read or written: a mount made with " +
         "sshfs's defaults hides links whose target is absolute. Let the host mount the phone itself with " +
         "--root ssh://USER@HOST, or remount with sshfs -o no_contain_symlinks.";
}
