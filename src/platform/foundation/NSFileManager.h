#pragma once
// The file manager over the device root: every path is a device path.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NSError.h"
#include "foundation/NSObject.h"
#include "foundation/PropertyList.h"

// Attribute keys and values that createDirectory accepts.
inline const std::string NSFileProtectionKey = "NSFileProtectionKey";
inline const std::string NSFileProtectionComplete = "NSFileProtectionComplete";
inline const std::string NSFilePosixPermissions = "NSFilePosixPermissions";

class NSFileManager : public NSObject {
 public:
  static std::shared_ptr<NSFileManager> defaultManager();

  // Both follow symbolic links (inside the device root), as stat does. Only a
  // lookup that finds nothing (ENOENT, ENOTDIR) answers false; one that
  // fails otherwise answers true, and isDirectory false.
  bool fileExistsAtPath(const std::string& path) const;
  bool fileExistsAtPathIsDirectory(const std::string& path, bool* isDirectory) const;

  // NSFileProtectionKey is accepted (this file system has no protection
  // classes); NSFilePosixPermissions sets the new folders' mode. On failure
  // *error (when given) is a Cocoa error whose localizedDescription says why.
  bool createDirectoryAtPathWithIntermediateDirectoriesAttributesError(
      const std::string& path, bool createIntermediates, const PlistValue::Dictionary& attributes,
      std::shared_ptr<NSError>* error) const;

  // Every entry name (dot files too) in no particular order; none when the
  // folder cannot be read, with *error set.
  std::optional<std::vector<std::string>> contentsOfDirectoryAtPathError(
      const std::string& path, std::shared_ptr<NSError>* error) const;
};

// The Cocoa error Foundation reports for a failed file write or read of
// `path` with that errno value (NSFilePathErrorKey's file and folder named in
// the description, the POSIX error underneath). An EPERM from a link on the
// way that the mount will not read says so and names the way out
// (HiddenLinks.h) in place of the bare permission text.
std::shared_ptr<NSError> fileWriteError(const std::string& path, int errorNumber);
std::shared_ptr<NSError> fileReadError(const std::string& path, int errorNumber);
