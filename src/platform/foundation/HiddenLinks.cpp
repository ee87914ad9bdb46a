#include "foundation/HiddenLinks.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/DeviceFiles.h"
#include "foundation/DeviceRoot.h"
#include "foundation/FileDescriptor.h"

std::optional<std::string> unreadableLinkOnPath(std::string_view devicePath) {
  const auto root = currentDeviceRoot();
  std::string prefix;
  for (const std::string& name : devicePathComponents(devicePath)) {
    prefix += "/" + name;
    FileDescriptor entry(root->open(prefix, O_PATH | O_NOFOLLOW));
    struct stat status {};
    if (!entry.valid() || ::fstat(entry.get(), &status) != 0) return std::nullopt;
    if (!S_ISLNK(status.st_mode)) continue;
    char target[PATH_MAX];
    int failure = root->faults().errorFor(FileStep::readLink);
    if (failure == 0 && ::readlinkat(entry.get(), "", target, sizeof target) < 0) failure = errno;
    if (failure == EPERM) return prefix;
  }
  return std::nullopt;
}

std::string hiddenLinkAdvice(std::string_view linkPath) {
  return "The link " + std::string(linkPath) +
         " cannot be read: the mount hides links that point outside it (sshfs's contain_symlinks). "
         "Serve the phone with --root ssh://USER@HOST, or remount it with -o no_contain_symlinks.";
}

std::optional<std::string> hiddenLinkReason(std::string_view devicePath, int error) {
  if (error != EPERM) return std::nullopt;
  auto link = unreadableLinkOnPath(devicePath);
  return link ? std::optional(hiddenLinkAdvice(*link)) : std::nullopt;
}
