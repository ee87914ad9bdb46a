#pragma once
// A mutable property-list dictionary with identity: pages share one through
// std::shared_ptr, as they share an NSMutableDictionary.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NSError.h"
#include "foundation/NSObject.h"
#include "foundation/PropertyList.h"

class NSMutableDictionary : public NSObject {
 public:
  NSMutableDictionary() = default;
  explicit NSMutableDictionary(PlistValue::Dictionary contents) : contents_(std::move(contents)) {}

  // [NSMutableDictionary new]
  static std::shared_ptr<NSMutableDictionary> dictionary();
  // [[NSMutableDictionary alloc] initWithContentsOfFile:]: an XML or binary
  // property list whose root is a dictionary; none for a missing or unreadable
  // file, anything that is not a property list, or another root type.
  static std::shared_ptr<NSMutableDictionary> initWithContentsOfFile(const std::string& path);

  std::size_t count() const { return contents_.size(); }
  std::vector<std::string> allKeys() const;
  const PlistValue::Dictionary& contents() const { return contents_; }

  // The value, or none when the key is absent.
  std::optional<PlistValue> objectForKey(const std::string& key) const;
  // none removes the key, as setObject:nil does on NSUserDefaults.
  void setObjectForKey(std::optional<PlistValue> value, const std::string& key);
  void removeObjectForKey(const std::string& key) { contents_.erase(key); }

  // [[dict objectForKey:key] boolValue]: an absent key reads as NO.
  bool boolValueForKey(const std::string& key) const;
  // The value when it is a string; none when absent or of another type.
  std::optional<std::string> stringForKey(const std::string& key) const;

  // Writes the XML form; atomically replaces the file in one step (see
  // writeDeviceFile). Refuses, leaving the file as it is, when a string or
  // key holds U+0000 (NSPropertyListWriteInvalidError). The error out-parameter is this platform's addition: a
  // Cocoa file error saying why the write failed.
  bool writeToFileAtomically(const std::string& path, bool atomically,
                             std::shared_ptr<NSError>* error = nullptr) const;

 private:
  PlistValue::Dictionary contents_;
};

// Files larger than this are not read as property lists (libplist takes at
// most 4 GiB, and no settings file comes near).
inline constexpr std::size_t kMaximumPropertyListFileSize = 64 * 1024 * 1024;

// The root dictionary of a property-list file in the device root; none as
// initWithContentsOfFile: gives none.
std::optional<PlistValue::Dictionary> readPropertyListDictionary(const std::string& path);
