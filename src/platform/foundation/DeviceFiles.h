#pragma once
// File steps on device paths, all resolved inside the current device root.
// Failures come back as an errno value (0 is success), so that callers can
// turn them into an NSError or a log line with the reason.
#include <sys/stat.h>

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "/a/b/c/" -> parent "/a/b", name "c". None for the root itself or a path
// whose last component is "." or "..", which name no entry of their own.
struct DevicePathParts {
  std::string parent;
  std::string name;
};
std::optional<DevicePathParts> splitDevicePath(std::string_view devicePath);

// The names on the way, "" and "." left out: "/a//./b/" -> {"a", "b"}.
std::vector<std::string> devicePathComponents(std::string_view devicePath);

// Whether a failed lookup says that nothing is there (ENOENT, ENOTDIR). Any
// other error (EIO while a mount reconnects, EACCES, EPERM) leaves it open,
// and a store must not take the file for missing.
bool meansNoSuchFile(int error);

// stat() of the path, following symbolic links inside the root.
std::optional<struct stat> statDevicePath(std::string_view devicePath, int* error = nullptr);

// The whole content of a file; none (and the errno) when it cannot be read or
// is larger than maxBytes (EFBIG).
std::optional<std::string> readDeviceFile(
    std::string_view devicePath, int* error = nullptr,
    std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// One open for both the status and, unless `known(status)` holds, the
// content (none when it cannot be read; see readDeviceFile): a reader that
// keeps what it read rereads only a changed file. None when the path is no
// readable regular file.
struct DeviceFileRead {
  struct stat status;
  std::optional<std::string> content;
};
std::optional<DeviceFileRead> readDeviceFileUnless(
    std::string_view devicePath, const std::function<bool(const struct stat&)>& known,
    std::size_t maxBytes = std::numeric_limits<std::size_t>::max(), int* error = nullptr);

// Writes the whole content. Atomically: into a new temporary file in the same
// folder, then renamed over the target, so that a reader sees the old or the
// new content and never a part; on failure the old file is untouched and the
// temporary file removed. The replacement keeps the old file's owner, group
// and mode; a new file takes its folder's owner and mode 0666 less the umask.
// Where the owner cannot be given (EPERM, EACCES: not root) the file is
// replaced all the same, keeps the mode, and one log line per root says so.
// A target whose lookup fails other than by absence is not replaced.
// Returns 0 or an errno value.
int writeDeviceFile(std::string_view devicePath, std::string_view bytes, bool atomically);

// As the atomic writeDeviceFile, but the temporary file is made beside the
// target's folder and named after that folder (".<folder>.<16 hex>.tmp"), so
// that a write killed half-way leaves nothing in a folder whose every entry
// is listed. Leftovers over a minute old are removed first. When the folder
// is the root or sits on another file system than its parent, the temporary
// file goes into the folder itself, as the rename must stay one step.
int writeDeviceFileBesideFolder(std::string_view devicePath, std::string_view bytes);

// mkdir, and with intermediates every missing folder on the way (an existing
// folder is then no error). EEXIST when a non-folder stands at the path,
// ENOTDIR when one stands on the way.
int createDeviceDirectory(std::string_view devicePath, bool intermediates, mode_t mode = 0755);

// Every entry name but "." and "..", in the order the file system gives them.
std::optional<std::vector<std::string>> listDeviceDirectory(std::string_view devicePath,
                                                            int* error = nullptr);
