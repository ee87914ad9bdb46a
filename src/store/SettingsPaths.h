#pragma once
// The on-disk contract with the extension that plays the sounds: fixed paths
// (trailing slashes included) and the keys of a per-app settings file.

// Folder of the per-app settings files, one "<bundle identifier>.plist" each.
inline constexpr const char* kSettingsDirectory =
    "/var/jb/Library/Application Support/Chimewell-plist/";
inline constexpr const char* kSettingsFileFormat =
    "/var/jb/Library/Application Support/Chimewell-plist/%@.plist";
// The selectable sounds; never created by the pane.
inline constexpr const char* kSoundLibraryDirectory = "/var/jb/Library/Application Support/Chimewell/";
inline constexpr const char* kSoundFileFormat = "/var/jb/Library/Application Support/Chimewell/%@";
// Display name to bundle identifier, kept by the application list.
inline constexpr const char* kApplicationListCachePath =
    "/var/mobile/Library/Preferences/allApplications.plist";

// Keys of a per-app settings file.
inline constexpr const char* kEnableToggleKey = "enableToggle";            // boolean
inline constexpr const char* kCustomToggleKey = "customToggle";            // boolean
inline constexpr const char* kNotificationAlertKey = "NotificationAlert";  // sound name
inline constexpr const char* kVibrationToggleKey = "vibrationToggle";      // boolean
inline constexpr const char* kVibrationTimesKey = "vibrationTimes";        // text as typed

// Hand-off keys in the Settings app's standard user defaults.
inline constexpr const char* kCurrentAppKey = "currentApp";
inline constexpr const char* kCurrentAppIdentifierKey = "currentAppIdentifier";
inline constexpr const char* kCurrentPresetKey = "currentPreset";
