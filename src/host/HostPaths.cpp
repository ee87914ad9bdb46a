#include "host/HostPaths.h"

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "BuildPaths.h"

namespace fs = std::filesystem;

namespace {

// The first candidate that holds `marker`, or throws naming what was sought.
fs::path firstHolding(const std::vector<fs::path>& candidates, const fs::path& marker,
                      const std::string& what) {
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::exists(candidate / marker, error)) return fs::weakly_canonical(candidate, error);
  }
  std::string tried;
  for (const fs::path& candidate : candidates) tried += "\n  " + (candidate / marker).string();
  throw std::runtime_error("cannot find " + what + "; looked for:" + tried);
}

}  // namespace

fs::path currentExecutablePath() {
  std::error_code error;
  fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : path;
}

HostPaths locateHostPaths(const fs::path& executable) {
  std::vector<fs::path> builds;
  if (!executable.empty()) builds.push_back(executable.parent_path() / ".." / "..");
  builds.emplace_back(CHIMEWELL_BUILD_DIR);

  HostPaths paths;
  paths.buildDirectory = firstHolding(builds, "Settings.app",
                                      "the build's Settings.app (build the project first)");
  // A build folder usually sits inside the source tree.
  paths.sourceDirectory = firstHolding({paths.buildDirectory / "..", CHIMEWELL_SOURCE_DIR},
                                       fs::path("web") / "index.html",
                                       "the browser page (web/index.html)");
  return paths;
}

fs::path userDataFolder(const std::optional<std::string>& xdgDataHome, const std::optional<std::string>& home) {
  fs::path dataHome;
  if (xdgDataHome && !xdgDataHome->empty()) {
    dataHome = *xdgDataHome;
  } else if (home && !home->empty()) {
    dataHome = fs::path(*home) / ".local" / "share";
  } else {
    throw std::runtime_error("neither XDG_DATA_HOME nor HOME is set: the host keeps its access token (and, "
                             "without --root, its device) in the user's data folder");
  }
  return dataHome / "chimewell";
}

fs::path hostRuntimeFolder(const std::optional<std::string>& xdgRuntimeDir, const fs::path& userFolder) {
  if (xdgRuntimeDir && !xdgRuntimeDir->empty()) return fs::path(*xdgRuntimeDir) / "chimewell";
  return userFolder;
}
