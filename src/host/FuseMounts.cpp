#include "host/FuseMounts.h"

#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

extern char** environ;

namespace {

// The mount table writes space, tab, newline and backslash as octal escapes.
std::string mountTableForm(const std::string& path) {
  std::string escaped;
  for (char c : path) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
      escaped += octal;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

bool runFusermountUnmount(const std::filesystem::path& folder) {
  const std::string path = folder.string();
  char program[] = "fusermount3";
  char unmount[] = "-u";
  char lazy[] = "-z";
  char quiet[] = "-q";
  char* arguments[] = {program, unmount, lazy, quiet, const_cast<char*>(path.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, nullptr, nullptr, arguments, environ) != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool isMountPoint(const std::filesystem::path& folder) {
  std::ifstream table("/proc/self/mountinfo");
  const std::string wanted = mountTableForm(folder.lexically_normal().string());
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    if (fields >> id >> parent >> device >> root >> mountPoint && mountPoint == wanted) return true;
  }
  return false;
}

bool unmountLazily(const std::filesystem::path& folder) {
  if (!isMountPoint(folder)) return true;
  if (::umount2(folder.c_str(), MNT_DETACH) != 0 && errno == EPERM) runFusermountUnmount(folder);
  return !isMountPoint(folder);
}
