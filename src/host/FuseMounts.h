#pragma once
// Finding and ending the FUSE mounts the host makes (a phone over sshfs).
// Unmounting as root is the host's own call; any other user's goes through
// fusermount3, as FUSE allows. Call from the main thread.
#include <filesystem>

// Whether a file system is mounted on `folder` (this process's mount table).
bool isMountPoint(const std::filesystem::path& folder);

// Detaches the mount at `folder` at once, even while files on it are open
// (they then fail); a no-op when none is there. Returns whether it is gone.
bool unmountLazily(const std::filesystem::path& folder);
