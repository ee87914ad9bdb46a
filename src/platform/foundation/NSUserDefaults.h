#pragma once
// The Settings app's user defaults: its preferences file in the device root.
// Values set here stay in memory until synchronize merges them into the file
// as it is then, so keys that another party wrote meanwhile survive.
#include <sys/stat.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSObject.h"
#include "foundation/PropertyList.h"

class NSUserDefaults : public NSObject {
 public:
  static constexpr const char* kPreferencesPath =
      "/var/mobile/Library/Preferences/com.apple.Preferences.plist";

  // The shared instance, made on first use over the current device root.
  static std::shared_ptr<NSUserDefaults> standardUserDefaults();
  // Drops the shared instance and its unsaved changes (+resetStandardUserDefaults):
  // the next standardUserDefaults reads the file afresh.
  static void resetStandardUserDefaults();

  explicit NSUserDefaults(std::string path);

  // Reads see the file as it is now (another party may have changed it),
  // with this process's unsaved changes on top.
  std::optional<PlistValue> objectForKey(const std::string& key);
  // The value when it is a string; none when absent or of another type.
  std::optional<std::string> stringForKey(const std::string& key);
  bool boolForKey(const std::string& key);

  // none removes the key.
  void setObjectForKey(std::optional<PlistValue> value, const std::string& key);
  void removeObjectForKey(const std::string& key) { setObjectForKey(std::nullopt, key); }

  // Writes the file atomically: its current keys with this process's changes
  // applied. NO, leaving the file as it is, when the file exists but is not a
  // property-list dictionary (it is never overwritten), cannot be looked up
  // (any failure but ENOENT and ENOTDIR) or cannot be written.
  bool synchronize();

 private:
  struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    int lookupError = 0;  // why there is none: ENOENT or ENOTDIR when no file is there
    bool operator==(const FileStamp& other) const;
    // Looked up and failed for another reason (EIO while a mount reconnects).
    bool unknown() const;
  };

  void reloadIfChanged();
  FileStamp currentStamp() const;

  std::string path_;
  FileStamp stamp_;
  bool loaded_ = false;
  PlistValue::Dictionary onDisk_;  // the file's keys at the last read
  std::map<std::string, std::optional<PlistValue>> unsaved_;  // none: removed
};

// Free-function spelling, for code that reads better without the class.
inline void resetStandardUserDefaults() { NSUserDefaults::resetStandardUserDefaults(); }
