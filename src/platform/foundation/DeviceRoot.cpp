#include "foundation/DeviceRoot.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace {

// The kernel answers EAGAIN when a rename elsewhere raced a ".." lookup; the
// lookup is then simply tried again.
constexpr int kResolveAttempts = 64;

std::mutex& currentRootMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<const DeviceRoot>& currentRootSlot() {
  static std::shared_ptr<const DeviceRoot> root;
  return root;
}

// Device paths are absolute; inside the root they are relative to its folder.
std::string relativeToRoot(std::string_view devicePath) {
  std::size_t first = devicePath.find_first_not_of('/');
  if (first == std::string_view::npos) return ".";
  return std::string(devicePath.substr(first));
}

}  // namespace

DeviceRoot::DeviceRoot(const std::filesystem::path& hostDirectory)
    : hostPath_(std::filesystem::absolute(hostDirectory)) {
  fd_ = ::open(hostPath_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    throw std::runtime_error("device root " + hostPath_.string() + ": " + std::strerror(errno));
  }
}

DeviceRoot::~DeviceRoot() {
  if (fd_ >= 0) ::close(fd_);
}

void DeviceRoot::noteFileStep(int error) const {
  if (error == 0) {
    unreachable_.store(false);
  } else if (error == ENOTCONN || error == EIO || error == ETIMEDOUT) {
    unreachable_.store(true);
  }
}

int DeviceRoot::open(std::string_view devicePath, int flags, unsigned mode) const {
  if (devicePath.empty()) {
    errno = ENOENT;  // as open("") answers; "" never means the root
    return -1;
  }
  if (devicePath.find('\0') != std::string_view::npos) {
    errno = EINVAL;
    return -1;
  }
  open_how how{};
  how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
  how.mode = (flags & (O_CREAT | O_TMPFILE)) ? mode : 0;
  how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
  // A mount that cannot read links fails every path that goes through one.
  const int linkFault = faults_.errorFor(FileStep::readLink);
  if (linkFault) how.resolve |= RESOLVE_NO_SYMLINKS;
  const std::string relative = relativeToRoot(devicePath);
  for (int attempt = 0; attempt < kResolveAttempts; ++attempt) {
    long fd = syscall(SYS_openat2, fd_, relative.c_str(), &how, sizeof how);
    if (fd >= 0) {
      noteFileStep(0);
      return static_cast<int>(fd);
    }
    if (linkFault && errno == ELOOP) errno = linkFault;
    if (errno != EAGAIN && errno != EINTR) {
      noteFileStep(errno);
      return -1;
    }
  }
  return -1;
}

void setCurrentDeviceRoot(std::shared_ptr<const DeviceRoot> root) {
  std::lock_guard lock(currentRootMutex());
  currentRootSlot() = std::move(root);
}

std::shared_ptr<const DeviceRoot> currentDeviceRoot() {
  std::lock_guard lock(currentRootMutex());
  if (!currentRootSlot()) throw std::logic_error("no device root is set");
  return currentRootSlot();
}
