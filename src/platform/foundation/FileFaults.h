#pragma once
// The condition of a device root's disk, as a test sets it: each step of the
// device file functions (DeviceFiles.h) can be made to fail with an errno
// value, as a full disk (ENOSPC), a failing one (EIO) or a folder without
// permission (EACCES) makes it fail, or a mount that hides links (EPERM).
// Nothing fails unless a test says so.
// Any thread: the host's threads may write while a test changes the faults.
#include <array>
#include <atomic>
#include <cstddef>

enum class FileStep : std::size_t {
  create,         // making a new file (a store's temporary file)
  write,          // writing its bytes: half are written, then the error
  rename,         // putting the finished file in place
  makeDirectory,  // making a folder
  stat,           // looking a path up: an existence check, the file a store replaces
  changeOwner,    // giving a store's new file the owner of the one it replaces
  readLink,       // reading a symbolic link: no path through one opens, as on sshfs
};

class FileFaults {
 public:
  // Every later `step` fails with `error`; 0 lets it succeed again.
  void failWith(FileStep step, int error) { slot(step).store(error); }
  // The error the step fails with, or 0.
  int errorFor(FileStep step) const { return errors_[static_cast<std::size_t>(step)].load(); }

 private:
  std::atomic<int>& slot(FileStep step) { return errors_[static_cast<std::size_t>(step)]; }

  std::array<std::atomic<int>, 7> errors_{};
};
