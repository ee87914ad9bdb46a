#include "foundation/NSDictionary.h"

#include "foundation/DeviceFiles.h"
#include "foundation/NSFileManager.h"
#include "foundation/NSNumber.h"

std::optional<PlistValue::Dictionary> readPropertyListDictionary(const std::string& path) {
  auto bytes = readDeviceFile(path, nullptr, kMaximumPropertyListFileSize);
  if (!bytes) return std::nullopt;
  auto value = parsePropertyList(*bytes);
  if (!value) return std::nullopt;
  auto* dictionary = value->as<PlistValue::Dictionary>();
  if (!dictionary) return std::nullopt;
  return std::move(*dictionary);
}

std::shared_ptr<NSMutableDictionary> NSMutableDictionary::dictionary() {
  return std::make_shared<NSMutableDictionary>();
}

std::shared_ptr<NSMutableDictionary> NSMutableDictionary::initWithContentsOfFile(
    const std::string& path) {
  auto contents = readPropertyListDictionary(path);
  if (!contents) return nullptr;
  return std::make_shared<NSMutableDictionary>(std::move(*contents));
}

std::vector<std::string> NSMutableDictionary::allKeys() const {
  std::vector<std::string> keys;
  keys.reserve(contents_.size());
  for (const auto& entry : contents_) keys.push_back(entry.first);
  return keys;
}

std::optional<PlistValue> NSMutableDictionary::objectForKey(const std::string& key) const {
  auto found = contents_.find(key);
  if (found == contents_.end()) return std::nullopt;
  return found->second;
}

void NSMutableDictionary::setObjectForKey(std::optional<PlistValue> value, const std::string& key) {
  if (value) {
    contents_.insert_or_assign(key, std::move(*value));
  } else {
    contents_.erase(key);
  }
}

bool NSMutableDictionary::boolValueForKey(const std::string& key) const {
  auto found = contents_.find(key);
  return found != contents_.end() && boolValue(found->second);
}

std::optional<std::string> NSMutableDictionary::stringForKey(const std::string& key) const {
  auto found = contents_.find(key);
  if (found == contents_.end()) return std::nullopt;
  auto text = found->second.as<std::string>();
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

bool NSMutableDictionary::writeToFileAtomically(const std::string& path, bool atomically,
                                                std::shared_ptr<NSError>* error) const {
  // Written anyway, the NUL would come back changed, and the file is rewritten whole.
  if (!fitsXmlPropertyList(contents_)) {
    if (error) {
      *error = std::make_shared<NSError>(
          NSCocoaErrorDomain, NSPropertyListWriteInvalidError,
          "The file “" + path.substr(path.rfind('/') + 1) +
              "” couldn’t be saved because a text in it holds U+0000, which a property list file cannot hold.");
    }
    return false;
  }
  const std::string bytes = xmlPropertyListData(contents_);
  const int failure = writeDeviceFile(path, bytes, atomically);
  if (failure == 0) return true;
  if (error) *error = fileWriteError(path, failure);
  return false;
}
