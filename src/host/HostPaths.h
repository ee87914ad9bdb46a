#pragma once
// Where the host finds what the build made (the pane bundle, its own
// Settings.app) and what the source tree holds (web/, the demo device).
// Found from the running executable, <build>/src/host/chimewell, so that a
// moved tree still works; the paths the build was configured with come second.
#include <filesystem>
#include <optional>
#include <string>

struct HostPaths {
  std::filesystem::path buildDirectory;   // holds Chimewell.bundle and Settings.app
  std::filesystem::path sourceDirectory;  // holds web/ and share/

  std::filesystem::path settingsAppBundle() const { return buildDirectory / "Settings.app"; }
  std::filesystem::path webDirectory() const { return sourceDirectory / "web"; }
  std::filesystem::path demoDevice() const { return sourceDirectory / "share" / "demo-device"; }
};

// Throws std::runtime_error naming what is missing.
HostPaths locateHostPaths(const std::filesystem::path& executable);

// The running program's own path (/proc/self/exe).
std::filesystem::path currentExecutablePath();

// The user's own Chimewell folder: $XDG_DATA_HOME/chimewell, or
// ~/.local/share/chimewell. It holds the demo device copy and the access
// token. Throws std::runtime_error when neither XDG_DATA_HOME nor HOME is set.
std::filesystem::path userDataFolder(const std::optional<std::string>& xdgDataHome,
                                     const std::optional<std::string>& home);

// Where the host keeps what lasts only while it runs (a phone's mount
// point): $XDG_RUNTIME_DIR/chimewell, which file managers and indexers do
// not walk, else the user's own folder.
std::filesystem::path hostRuntimeFolder(const std::optional<std::string>& xdgRuntimeDir,
                                        const std::filesystem::path& userFolder);

// The access token's file (AccessToken.h) in the user's folder.
inline std::filesystem::path accessTokenFile(const std::filesystem::path& userFolder) {
  return userFolder / "page-token";
}
// Where an earlier version kept its token, which it sent in a cookie to every
// local port: a start that finds it there retires it.
inline std::filesystem::path earlierAccessTokenFile(const std::filesystem::path& userFolder) {
  return userFolder / "access-token";
}
