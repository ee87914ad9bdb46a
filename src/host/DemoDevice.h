#pragma once
// The demo device a person gets without --root: a writable copy of
// share/demo-device in the user's data folder, made on first run only, so
// the settings they make survive the next start.
#include <filesystem>
#include <optional>
#include <string>

// $XDG_DATA_HOME/chimewell/demo-device, or ~/.local/share/chimewell/demo-device.
// Throws std::runtime_error when neither XDG_DATA_HOME nor HOME is set.
std::filesystem::path demoDeviceCopyPath(const std::optional<std::string>& xdgDataHome,
                                         const std::optional<std::string>& home);

// Copies `source` to `destination` unless the destination exists already; the
// copy is made beside it and renamed into place, so an interrupted first run
// leaves no half device behind. Symbolic links are copied as links. Returns
// true when it copied. Throws std::runtime_error saying what failed.
bool ensureDemoDeviceCopy(const std::filesystem::path& source,
                          const std::filesystem::path& destination);
