#include "foundation/NSFileManager.h"

#include <sys/stat.h>

#include <cerrno>

#include "foundation/DeviceFiles.h"
#include "foundation/HiddenLinks.h"
#include "foundation/NSString.h"

namespace {

std::string lastComponent(const std::string& path) {
  auto parts = splitDevicePath(path);
  return parts ? parts->name : path;
}

std::string folderComponent(const std::string& path) {
  auto parts = splitDevicePath(path);
  return parts ? lastComponent(parts->parent) : std::string("/");
}

void report(std::shared_ptr<NSError>* error, std::shared_ptr<NSError> value) {
  if (error) *error = std::move(value);
}

mode_t folderMode(const PlistValue::Dictionary& attributes) {
  auto found = attributes.find(NSFilePosixPermissions);
  if (found == attributes.end()) return 0755;
  auto mode = found->second.as<std::int64_t>();
  return mode ? static_cast<mode_t>(*mode & 07777) : 0755;
}

}  // namespace

std::shared_ptr<NSError> fileWriteError(const std::string& path, int errorNumber) {
  const std::string file = lastComponent(path);
  const std::string folder = folderComponent(path);
  long code = NSFileWriteUnknownError;
  std::string text = stringWithFormat("The file “%@” couldn’t be saved in the folder “%@”.", file, folder);
  if (auto advice = hiddenLinkReason(path, errorNumber)) {
    return std::make_shared<NSError>(NSCocoaErrorDomain, NSFileWriteNoPermissionError, text + " " + *advice,
                                     NSError::posixError(errorNumber));
  }
  switch (errorNumber) {
    case EEXIST:
      code = NSFileWriteFileExistsError;
      text = stringWithFormat(
          "The file “%@” couldn’t be saved in the folder “%@” because a file with the same name "
          "already exists.", file, folder);
      break;
    case EACCES:
    case EPERM:
      code = NSFileWriteNoPermissionError;
      text = stringWithFormat("You don’t have permission to save the file “%@” in the folder “%@”.",
                              file, folder);
      break;
    case ENOSPC:
    case EDQUOT:
      code = NSFileWriteOutOfSpaceError;
      text = stringWithFormat("The file “%@” couldn’t be saved because there isn’t enough space.", file);
      break;
    case EROFS:
      code = NSFileWriteVolumeReadOnlyError;
      text = stringWithFormat("The file “%@” couldn’t be saved because the volume is read only.", file);
      break;
    default: break;
  }
  return std::make_shared<NSError>(NSCocoaErrorDomain, code, text, NSError::posixError(errorNumber));
}

std::shared_ptr<NSError> fileReadError(const std::string& path, int errorNumber) {
  const std::string file = lastComponent(path);
  long code = NSFileReadUnknownError;
  std::string text = stringWithFormat("The file “%@” couldn’t be opened.", file);
  if (errorNumber == ENOENT) {
    code = NSFileReadNoSuchFileError;
    text = stringWithFormat("The file “%@” couldn’t be opened because there is no such file.", file);
  } else if (auto advice = hiddenLinkReason(path, errorNumber)) {
    code = NSFileReadNoPermissionError;
    text += " " + *advice;
  } else if (errorNumber == EACCES || errorNumber == EPERM) {
    code = NSFileReadNoPermissionError;
    text = stringWithFormat(
        "The file “%@” couldn’t be opened because you don’t have permission to view it.", file);
  }
  return std::make_shared<NSError>(NSCocoaErrorDomain, code, text, NSError::posixError(errorNumber));
}

std::shared_ptr<NSFileManager> NSFileManager::defaultManager() {
  static const auto manager = std::make_shared<NSFileManager>();
  return manager;
}

// A path that cannot be looked up (EIO, EACCES) is there as far as anyone can
// tell: taken for missing, a store would write a new file over the old one.
bool NSFileManager::fileExistsAtPath(const std::string& path) const {
  return fileExistsAtPathIsDirectory(path, nullptr);
}

bool NSFileManager::fileExistsAtPathIsDirectory(const std::string& path, bool* isDirectory) const {
  int failure = 0;
  auto status = statDevicePath(path, &failure);
  if (isDirectory) *isDirectory = status && S_ISDIR(status->st_mode);
  return status || !meansNoSuchFile(failure);
}

bool NSFileManager::createDirectoryAtPathWithIntermediateDirectoriesAttributesError(
    const std::string& path, bool createIntermediates, const PlistValue::Dictionary& attributes,
    std::shared_ptr<NSError>* error) const {
  const int failure = createDeviceDirectory(path, createIntermediates, folderMode(attributes));
  if (failure == 0) return true;
  report(error, fileWriteError(path, failure));
  return false;
}

std::optional<std::vector<std::string>> NSFileManager::contentsOfDirectoryAtPathError(
    const std::string& path, std::shared_ptr<NSError>* error) const {
  int failure = 0;
  auto names = listDeviceDirectory(path, &failure);
  if (!names) report(error, fileReadError(path, failure));
  return names;
}
