#include "foundation/DeviceFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <random>
#include <utility>

#include "foundation/DeviceRoot.h"
#include "foundation/FileDescriptor.h"
#include "foundation/NSLog.h"

namespace {

void setError(int* error, int value) {
  if (error) *error = value;
}

}  // namespace

std::vector<std::string> devicePathComponents(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  return parts;
}

namespace {

std::string joined(const std::vector<std::string>& parts, std::size_t count) {
  std::string path = "/";
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) path += '/';
    path += parts[i];
  }
  return path;
}

int writeAll(int fd, std::string_view bytes, const FileFaults& faults) {
  if (int fault = faults.errorFor(FileStep::write)) {
    // As a disk that fills up: part of the bytes land, then the error.
    bytes = bytes.substr(0, bytes.size() / 2);
    while (!bytes.empty()) {
      ssize_t written = ::write(fd, bytes.data(), bytes.size());
      if (written <= 0) break;
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return fault;
  }
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// Temporary files are ".<name>.<16 hex digits>.tmp", the name cut short
// enough for NAME_MAX.
constexpr std::size_t kTemporaryAddedLength = 1 + 17 + 4;
constexpr std::size_t kTemporaryHexDigits = 16;

std::string temporaryBase(const std::string& name) {
  return "." + name.substr(0, NAME_MAX - kTemporaryAddedLength) + ".";
}

std::string temporaryName(const std::string& name) {
  static std::atomic<unsigned long> counter{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, "%016lx", counter.fetch_add(0x9e3779b97f4a7c15UL));
  return temporaryBase(name) + suffix + ".tmp";
}

bool isTemporaryOf(std::string_view entry, std::string_view base) {
  if (!entry.starts_with(base) || !entry.ends_with(".tmp")) return false;
  const std::string_view digits = entry.substr(base.size(), entry.size() - base.size() - 4);
  return digits.size() == kTemporaryHexDigits &&
         digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// A store killed before its rename leaves its temporary file behind. The next
// store of the same name removes such files once they are a minute old: a
// store still running (another host on the same root) keeps its file fresh.
// Only regular files with our exact naming go; links and anything else stay.
constexpr std::int64_t kLeftoverAgeSeconds = 60;

void removeLeftoverTemporaries(int folder, const std::string& name) {
  FileDescriptor listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.valid()) return;
  DIR* directory = ::fdopendir(listing.get());
  if (!directory) return;
  listing.release();
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const std::string base = temporaryBase(name);
  while (const dirent* entry = ::readdir(directory)) {
    if (!isTemporaryOf(entry->d_name, base)) continue;
    struct stat status {};
    if (::fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(status.st_mode) && now.tv_sec - status.st_mtim.tv_sec > kLeftoverAgeSeconds) {
      ::unlinkat(folder, entry->d_name, 0);
    }
  }
  ::closedir(directory);
}

// Where a store makes its temporary file (".<name>.<16 hex>.tmp"): beside
// its target, or for a folder that a lister shows whole, beside that folder.
struct TemporaryPlace {
  int folder;
  std::string name;
};

// What the replacement takes on: the old file's owner and mode, or for a new
// file its folder's owner and the mode it is made with.
struct Ownership {
  uid_t uid;
  gid_t gid;
  std::optional<mode_t> mode;
};

// A target that cannot be looked up is not taken for a missing one: it would
// be replaced with the wrong owner, and its old content lost unread.
int ownershipFor(int folder, const std::string& name, const FileFaults& faults, Ownership& ownership) {
  if (int fault = faults.errorFor(FileStep::stat)) return fault;
  struct stat status {};
  if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISREG(status.st_mode)) {
      ownership = {status.st_uid, status.st_gid, status.st_mode & 07777};
      return 0;
    }
  } else if (!meansNoSuchFile(errno)) {
    return errno;
  }
  if (::fstat(folder, &status) != 0) return errno;
  ownership = {status.st_uid, status.st_gid, std::nullopt};
  return 0;
}

// Where the host may not give files away (not root on a local folder), the
// file becomes this user's; said once per root.
int applyOwnership(int fd, const Ownership& ownership, const DeviceRoot& root) {
  if (ownership.uid != ::geteuid() || ownership.gid != ::getegid()) {
    int refused = root.faults().errorFor(FileStep::changeOwner);
    if (!refused && ::fchown(fd, ownership.uid, ownership.gid) != 0) refused = errno;
    if (refused != 0 && refused != EPERM && refused != EACCES) return refused;
    if (refused != 0 && root.firstOwnerRefusal()) {
      NSLog("Stored files keep their mode but become this user's, as their owner cannot be given: %@",
            std::string(std::strerror(refused)));
    }
  }
  if (ownership.mode && ::fchmod(fd, *ownership.mode) != 0) return errno;
  return 0;
}

int writeReplacing(int folder, const std::string& name, const TemporaryPlace& place, std::string_view bytes,
                   const DeviceRoot& root) {
  const FileFaults& faults = root.faults();
  // First, so that a full disk gets back the room of what was left.
  removeLeftoverTemporaries(place.folder, place.name);
  Ownership ownership{};
  if (int failure = ownershipFor(folder, name, faults, ownership)) return failure;
  for (int attempt = 0; attempt < 16; ++attempt) {
    if (int fault = faults.errorFor(FileStep::create)) return fault;
    const std::string temporary = temporaryName(place.name);
    FileDescriptor file(::openat(place.folder, temporary.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!file.valid()) {
      if (errno == EEXIST) continue;
      return errno;
    }
    int failure = writeAll(file.get(), bytes, faults);
    if (failure == 0) failure = applyOwnership(file.get(), ownership, root);
    if (::close(file.release()) != 0 && failure == 0) failure = errno;
    if (failure == 0) failure = faults.errorFor(FileStep::rename);
    if (failure == 0 && ::renameat(place.folder, temporary.c_str(), folder, name.c_str()) != 0) {
      failure = errno;
    }
    if (failure != 0) ::unlinkat(place.folder, temporary.c_str(), 0);
    return failure;
  }
  return EEXIST;
}

bool onOneFileSystem(int first, int second) {
  struct stat a {}, b {};
  return ::fstat(first, &a) == 0 && ::fstat(second, &b) == 0 && a.st_dev == b.st_dev;
}

int writeAtomically(std::string_view devicePath, std::string_view bytes, bool besideFolder) {
  auto parts = splitDevicePath(devicePath);
  if (!parts) return EISDIR;
  const auto root = currentDeviceRoot();
  FileDescriptor folder(root->open(parts->parent, O_PATH | O_DIRECTORY));
  if (!folder.valid()) return errno;
  auto folderParts = besideFolder ? splitDevicePath(parts->parent) : std::nullopt;
  FileDescriptor above(folderParts ? root->open(folderParts->parent, O_PATH | O_DIRECTORY) : -1);
  // Beside the folder only where the rename stays one step on one file system.
  const TemporaryPlace place = above.valid() && onOneFileSystem(folder.get(), above.get())
                                   ? TemporaryPlace{above.get(), folderParts->name}
                                   : TemporaryPlace{folder.get(), parts->name};
  // The steps after the open (a link that drops mid-store) tell the root too.
  const int result = writeReplacing(folder.get(), parts->name, place, bytes, *root);
  root->noteFileStep(result);
  return result;
}

int writeInPlace(std::string_view devicePath, std::string_view bytes) {
  const auto root = currentDeviceRoot();
  if (int fault = root->faults().errorFor(FileStep::create)) return fault;
  FileDescriptor file(root->open(devicePath, O_WRONLY | O_CREAT | O_TRUNC, 0666));
  if (!file.valid()) return errno;
  int failure = writeAll(file.get(), bytes, root->faults());
  if (::close(file.release()) != 0 && failure == 0) failure = errno;
  return failure;
}

}  // namespace

std::optional<DevicePathParts> splitDevicePath(std::string_view devicePath) {
  while (devicePath.size() > 1 && devicePath.back() == '/') devicePath.remove_suffix(1);
  std::size_t slash = devicePath.rfind('/');
  std::string_view name = slash == std::string_view::npos ? devicePath : devicePath.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  std::string_view parent = slash == std::string_view::npos ? std::string_view("/")
                                                             : devicePath.substr(0, slash);
  if (parent.empty()) parent = "/";
  return DevicePathParts{std::string(parent), std::string(name)};
}

bool meansNoSuchFile(int error) { return error == ENOENT || error == ENOTDIR; }

std::optional<struct stat> statDevicePath(std::string_view devicePath, int* error) {
  const auto root = currentDeviceRoot();
  if (int fault = root->faults().errorFor(FileStep::stat)) {
    setError(error, fault);
    return std::nullopt;
  }
  FileDescriptor file(root->open(devicePath, O_PATH));
  struct stat status {};
  if (!file.valid() || ::fstat(file.get(), &status) != 0) {
    setError(error, errno);
    return std::nullopt;
  }
  return status;
}

namespace {

// Opens a regular file for reading. Non-blocking, so a FIFO or device node
// standing at the path cannot hang the caller.
bool openRegularFile(std::string_view devicePath, FileDescriptor& file, struct stat& status, int* error) {
  file = FileDescriptor(currentDeviceRoot()->open(devicePath, O_RDONLY | O_NONBLOCK));
  if (!file.valid() || ::fstat(file.get(), &status) != 0) {
    setError(error, errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    setError(error, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    return false;
  }
  return true;
}

// A file larger than allowed is refused by its size before any byte is read
// (a 100 MB Info.plist costs nothing); one that grows while read, by the count.
std::optional<std::string> readAll(int fd, const struct stat& status, std::size_t maxBytes, int* error) {
  if (static_cast<std::uintmax_t>(status.st_size) > maxBytes) {
    setError(error, EFBIG);
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      setError(error, errno);
      return std::nullopt;
    }
    if (count == 0) return content;
    if (content.size() + static_cast<std::size_t>(count) > maxBytes) {
      setError(error, EFBIG);
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
}

}  // namespace

std::optional<std::string> readDeviceFile(std::string_view devicePath, int* error,
                                          std::size_t maxBytes) {
  FileDescriptor file(-1);
  struct stat status {};
  if (!openRegularFile(devicePath, file, status, error)) return std::nullopt;
  return readAll(file.get(), status, maxBytes, error);
}

std::optional<DeviceFileRead> readDeviceFileUnless(std::string_view devicePath,
                                                   const std::function<bool(const struct stat&)>& known,
                                                   std::size_t maxBytes, int* error) {
  FileDescriptor file(-1);
  DeviceFileRead result{};
  if (!openRegularFile(devicePath, file, result.status, error)) return std::nullopt;
  if (!known(result.status)) result.content = readAll(file.get(), result.status, maxBytes, error);
  return result;
}

int writeDeviceFile(std::string_view devicePath, std::string_view bytes, bool atomically) {
  return atomically ? writeAtomically(devicePath, bytes, false) : writeInPlace(devicePath, bytes);
}

int writeDeviceFileBesideFolder(std::string_view devicePath, std::string_view bytes) {
  return writeAtomically(devicePath, bytes, true);
}

int createDeviceDirectory(std::string_view devicePath, bool intermediates, mode_t mode) {
  const auto root = currentDeviceRoot();
  const std::vector<std::string> parts = devicePathComponents(devicePath);
  if (parts.empty()) return intermediates ? 0 : EEXIST;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    const std::string prefix = joined(parts, i + 1);
    FileDescriptor existing(root->open(prefix, O_PATH | O_DIRECTORY));
    if (existing.valid()) {
      if (last && !intermediates) return EEXIST;
      continue;
    }
    if (errno == ENOTDIR) return last ? EEXIST : ENOTDIR;
    if (errno != ENOENT) return errno;
    if (!last && !intermediates) return ENOENT;
    FileDescriptor parent(root->open(joined(parts, i), O_PATH | O_DIRECTORY));
    if (!parent.valid()) return errno;
    if (int fault = root->faults().errorFor(FileStep::makeDirectory)) return fault;
    if (::mkdirat(parent.get(), parts[i].c_str(), mode) != 0 && errno != EEXIST) return errno;
    // Something that is no folder (a dangling link) may have been in the way.
    FileDescriptor created(root->open(prefix, O_PATH | O_DIRECTORY));
    if (!created.valid()) return last ? EEXIST : ENOTDIR;
  }
  return 0;
}

std::optional<std::vector<std::string>> listDeviceDirectory(std::string_view devicePath,
                                                            int* error) {
  FileDescriptor folder(currentDeviceRoot()->open(devicePath, O_RDONLY | O_DIRECTORY));
  if (!folder.valid()) {
    setError(error, errno);
    return std::nullopt;
  }
  DIR* directory = ::fdopendir(folder.get());
  if (!directory) {
    setError(error, errno);
    return std::nullopt;
  }
  folder.release();
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(directory)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(directory);
  return names;
}
