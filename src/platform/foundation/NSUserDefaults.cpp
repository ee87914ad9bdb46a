#include "foundation/NSUserDefaults.h"

#include <cerrno>
#include <cstring>
#include <mutex>

#include "foundation/DeviceFiles.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSFileManager.h"
#include "foundation/NSLog.h"
#include "foundation/NSNumber.h"

namespace {

std::mutex& sharedMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<NSUserDefaults>& sharedSlot() {
  static std::shared_ptr<NSUserDefaults> defaults;
  return defaults;
}

std::string parentOf(const std::string& path) {
  auto parts = splitDevicePath(path);
  return parts ? parts->parent : std::string("/");
}

}  // namespace

bool NSUserDefaults::FileStamp::operator==(const FileStamp& other) const {
  return exists == other.exists && device == other.device && inode == other.inode &&
         size == other.size && modified.tv_sec == other.modified.tv_sec &&
         modified.tv_nsec == other.modified.tv_nsec;
}

bool NSUserDefaults::FileStamp::unknown() const { return !exists && !meansNoSuchFile(lookupError); }

std::shared_ptr<NSUserDefaults> NSUserDefaults::standardUserDefaults() {
  std::lock_guard lock(sharedMutex());
  if (!sharedSlot()) sharedSlot() = std::make_shared<NSUserDefaults>(kPreferencesPath);
  return sharedSlot();
}

void NSUserDefaults::resetStandardUserDefaults() {
  std::lock_guard lock(sharedMutex());
  sharedSlot().reset();
}

NSUserDefaults::NSUserDefaults(std::string path) : path_(std::move(path)) {}

NSUserDefaults::FileStamp NSUserDefaults::currentStamp() const {
  FileStamp stamp;
  auto status = statDevicePath(path_, &stamp.lookupError);
  if (!status) return stamp;
  return {true, status->st_dev, status->st_ino, status->st_size, status->st_mtim};
}

void NSUserDefaults::reloadIfChanged() {
  FileStamp stamp = currentStamp();
  // A file that cannot be looked up just now keeps the keys read last.
  if (loaded_ && (stamp == stamp_ || stamp.unknown())) return;
  // An unreadable file reads as empty; synchronize still refuses to replace it.
  onDisk_ = stamp.exists ? readPropertyListDictionary(path_).value_or(PlistValue::Dictionary{})
                         : PlistValue::Dictionary{};
  stamp_ = stamp;
  loaded_ = true;
}

std::optional<PlistValue> NSUserDefaults::objectForKey(const std::string& key) {
  if (auto change = unsaved_.find(key); change != unsaved_.end()) return change->second;
  reloadIfChanged();
  auto found = onDisk_.find(key);
  if (found == onDisk_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> NSUserDefaults::stringForKey(const std::string& key) {
  auto value = objectForKey(key);
  auto text = value ? value->as<std::string>() : nullptr;
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

bool NSUserDefaults::boolForKey(const std::string& key) {
  auto value = objectForKey(key);
  return value && boolValue(*value);
}

void NSUserDefaults::setObjectForKey(std::optional<PlistValue> value, const std::string& key) {
  unsaved_.insert_or_assign(key, std::move(value));
}

bool NSUserDefaults::synchronize() {
  if (unsaved_.empty()) return true;
  PlistValue::Dictionary merged;
  const FileStamp stamp = currentStamp();
  if (stamp.unknown()) {
    // Written without the keys it holds, the file would lose them.
    NSLog("Not saving user defaults to %@: %@", path_,
          fileWriteError(path_, stamp.lookupError)->localizedDescription());
    return false;
  }
  if (stamp.exists) {
    auto current = readPropertyListDictionary(path_);
    if (!current) {
      NSLog("Not saving user defaults: %@ is not a readable property list", path_);
      return false;
    }
    merged = std::move(*current);
  } else if (int failure = createDeviceDirectory(parentOf(path_), true); failure != 0) {
    NSLog("Not saving user defaults to %@: %@", path_, std::string(std::strerror(failure)));
    return false;
  }
  for (const auto& [key, value] : unsaved_) {
    if (value) {
      merged.insert_or_assign(key, *value);
    } else {
      merged.erase(key);
    }
  }
  auto dictionary = std::make_shared<NSMutableDictionary>(std::move(merged));
  std::shared_ptr<NSError> error;
  if (!dictionary->writeToFileAtomically(path_, true, &error)) {
    NSLog("Not saving user defaults to %@: %@", path_, error->localizedDescription());
    return false;
  }
  unsaved_.clear();
  loaded_ = false;
  return true;
}
