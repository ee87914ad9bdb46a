#pragma once
// The steps by which pages read and change a per-app settings file. There is
// no store object: each page keeps its own working copy (none is one of its
// states: the file exists but is not a dictionary) and calls these steps.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/NSDictionary.h"
#include "foundation/NSError.h"
#include "foundation/PropertyList.h"
#include "store/SettingsPaths.h"

class NSData;

// A name that stands for one entry of a folder when joined to its path: not
// empty, "." or "..", and without "/" or NUL.
bool isPlainFileName(std::string_view name);

// A bundle identifier that can name a file in the settings directory: not
// none, and a plain file name.
bool isUsableBundleIdentifier(const std::optional<std::string>& identifier);

// The per-app settings file of the handed-off application (read afresh from
// currentAppIdentifier), or none when no usable identifier was handed off.
std::optional<std::string> perAppSettingsPath();

// The path of one sound of the sound library.
std::string soundFilePath(const std::string& soundName);

// Puts a sound into the library atomically. Its temporary file is made
// beside the library's folder (writeDeviceFileBesideFolder): the chooser
// lists every entry of the folder, and a host killed mid-import must not
// leave a half file there for it to list. None, or why it failed.
std::shared_ptr<NSError> storeSoundFile(const std::string& soundName, const NSData& data);

// Makes the settings directory unless a folder is there; a failure logs
// "Error creating directory path: %@" with the reason, and nothing else.
void ensureSettingsDirectory();

// The file's dictionary; a new empty dictionary when there is no file or no
// usable identifier; none when the file cannot be read as a dictionary.
std::shared_ptr<NSMutableDictionary> loadSettings();

// Replaces the copy with the file's dictionary (none when unreadable) when the
// file exists; leaves it as it is otherwise.
void refreshSettings(std::shared_ptr<NSMutableDictionary>& copy);

enum class StoreResult {
  stored,              // the key is in the copy and the file holds the copy
  noUsableIdentifier,  // nothing set, nothing written
  noDictionary,        // the file is unreadable, or cannot be looked up: nothing set, the file untouched
  writeFailed,         // the copy holds the key, the file does not
};

// Refreshes the copy from the file, sets the key and writes the whole copy
// atomically. Anything but `stored` logs one line saying why. Every caller
// refreshes, the sound chooser too: a key another page stored after the
// chooser opened must not be set back by the chooser's copy.
[[nodiscard]] StoreResult storeSettingsKey(std::shared_ptr<NSMutableDictionary>& copy,
                                           const std::string& key, const PlistValue& value);

// What the per-app page's sound row shows when no sound is stored.
inline constexpr const char* kNoStoredSoundText = "Default";

// NotificationAlert from a fresh read of the file; none when the file, the
// dictionary or the key is missing, or the value is not a string.
std::optional<std::string> readSoundName();
