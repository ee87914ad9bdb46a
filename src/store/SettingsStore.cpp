#include "store/SettingsStore.h"

#include <cstdio>

#include "foundation/DeviceFiles.h"
#include "foundation/NSData.h"
#include "foundation/NSFileManager.h"
#include "foundation/NSLog.h"
#include "foundation/NSUserDefaults.h"

namespace {

std::optional<std::string> handedOffIdentifier() {
  return NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentAppIdentifierKey);
}

// The identifier for a log line: quoted, control characters escaped, so that
// an empty one shows and a NUL does not cut the line.
std::string shownIdentifier(const std::optional<std::string>& identifier) {
  if (!identifier) return "(null)";
  std::string shown = "\"";
  for (unsigned char c : *identifier) {
    if (c == 0) {
      shown += "\\0";
    } else if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown + "\"";
}

}  // namespace

bool isPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

bool isUsableBundleIdentifier(const std::optional<std::string>& identifier) {
  return identifier && isPlainFileName(*identifier);
}

std::optional<std::string> perAppSettingsPath() {
  auto identifier = handedOffIdentifier();
  if (!isUsableBundleIdentifier(identifier)) return std::nullopt;
  return stringWithFormat(kSettingsFileFormat, *identifier);
}

std::string soundFilePath(const std::string& soundName) {
  return stringWithFormat(kSoundFileFormat, soundName);
}

void ensureSettingsDirectory() {
  auto manager = NSFileManager::defaultManager();
  bool isDirectory = false;
  if (manager->fileExistsAtPathIsDirectory(kSettingsDirectory, &isDirectory) && isDirectory) return;
  std::shared_ptr<NSError> error;
  manager->createDirectoryAtPathWithIntermediateDirectoriesAttributesError(
      kSettingsDirectory, true, {{NSFileProtectionKey, NSFileProtectionComplete}}, &error);
  if (error) NSLog("Error creating directory path: %@", error->localizedDescription());
}

std::shared_ptr<NSMutableDictionary> loadSettings() {
  auto path = perAppSettingsPath();
  if (!path || !NSFileManager::defaultManager()->fileExistsAtPath(*path)) {
    return NSMutableDictionary::dictionary();
  }
  return NSMutableDictionary::initWithContentsOfFile(*path);
}

void refreshSettings(std::shared_ptr<NSMutableDictionary>& copy) {
  auto path = perAppSettingsPath();
  if (!path || !NSFileManager::defaultManager()->fileExistsAtPath(*path)) return;
  copy = NSMutableDictionary::initWithContentsOfFile(*path);
}

StoreResult storeSettingsKey(std::shared_ptr<NSMutableDictionary>& copy, const std::string& key,
                             const PlistValue& value) {
  auto path = perAppSettingsPath();
  if (!path) {
    NSLog("Not saving %@: no usable bundle identifier (%@)", key, shownIdentifier(handedOffIdentifier()));
    return StoreResult::noUsableIdentifier;
  }
  // As refreshSettings, but a file that cannot be looked up is not taken for
  // a missing one: the copy would be written over the keys it holds.
  int lookup = 0;
  if (statDevicePath(*path, &lookup)) {
    copy = NSMutableDictionary::initWithContentsOfFile(*path);
  } else if (!meansNoSuchFile(lookup)) {
    NSLog("Not saving %@ to %@: %@", key, *path, fileWriteError(*path, lookup)->localizedDescription());
    return StoreResult::noDictionary;
  }
  if (!copy) {
    NSLog("Not saving %@ to %@: the file is not a readable property-list dictionary", key, *path);
    return StoreResult::noDictionary;
  }
  copy->setObjectForKey(value, key);
  std::shared_ptr<NSError> error;
  if (!copy->writeToFileAtomically(*path, true, &error)) {
    NSLog("Not saving %@ to %@: %@", key, *path, error->localizedDescription());
    return StoreResult::writeFailed;
  }
  return StoreResult::stored;
}

std::shared_ptr<NSError> storeSoundFile(const std::string& soundName, const NSData& data) {
  const std::string path = soundFilePath(soundName);
  const auto& bytes = data.bytes();
  const int failure =
      writeDeviceFileBesideFolder(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return failure == 0 ? nullptr : fileWriteError(path, failure);
}

std::optional<std::string> readSoundName() {
  auto path = perAppSettingsPath();
  if (!path) return std::nullopt;
  auto dictionary = NSMutableDictionary::initWithContentsOfFile(*path);
  return dictionary ? dictionary->stringForKey(kNotificationAlertKey) : std::nullopt;
}
