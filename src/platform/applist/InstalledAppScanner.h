#pragma once
// Reads the apps installed on the current device root: every "*.app" folder
// in /Applications, in each folder of /var/containers/Bundle/Application and
// in /var/jb/Applications, each described by its Info.plist (XML or binary).
//
// An app without a CFBundleIdentifier, one tagged hidden (SBAppTags holds
// "hidden"), an unreadable Info.plist or a dangling link is left out, never
// the scan. The list is ordered by display name compared case-insensitively,
// then by bundle identifier, then by folder, so it never depends on the order
// of a directory listing.
//
// The scanner keeps what it read: a later scan parses again only the
// Info.plist files whose status (device, inode, size, modification time)
// changed, and keeps the icons of unchanged apps (read on first use); when
// nothing changed, it gives the last list again without ordering it anew.
// scan() runs on any thread; scans take turns.
#include <sys/stat.h>

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "applist/SparkAppList.h"

class DeviceRoot;

class InstalledAppScanner {
 public:
  // The folders holding "*.app" folders; a container folder holds one app.
  static constexpr const char* kSystemApplications = "/Applications";
  static constexpr const char* kContainers = "/var/containers/Bundle/Application";
  static constexpr const char* kJailbreakApplications = "/var/jb/Applications";

  std::vector<SparkAppRecord> scan();

  // How many Info.plist files the last scan parsed (the rest were known).
  std::size_t infoPlistsParsedByLastScan() const;

  // What tells a changed Info.plist.
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const Stamp& other) const;
  };

 private:
  struct Known {
    Stamp stamp;
    std::optional<SparkAppRecord> app;  // none: left out
    std::string sortKey;
  };
  struct Listing {
    Stamp stamp;                    // of the container folder
    std::vector<std::string> apps;  // its "*.app" folders
  };
  struct Found {
    std::string folder;
    const Known* known;
  };

  struct Part {  // what one thread of a scan found
    std::map<std::string, Known> seen;  // by app folder
    std::vector<Found> found;
    std::size_t parsed = 0;
  };
  // Fewer apps are read on one thread.
  static constexpr std::size_t kFoldersForTwoThreads = 64;

  std::vector<std::string> appFolders();
  void scanFolders(const std::vector<std::string>& folders, std::size_t begin, std::size_t end, Part& part);
  void scanFolder(const std::string& appFolder, Part& part);
  static Known read(const std::string& appFolder, const Stamp& stamp, const std::optional<std::string>& infoPlist);
  bool unchangedBelowContainers(const std::string& devicePath, const Stamp& stamp) const;

  mutable std::mutex mutex_;
  std::shared_ptr<const DeviceRoot> root_;  // whose apps known_ describes
  std::map<std::string, Known> known_;      // by app folder
  std::map<std::string, Listing> containers_;  // by container folder
  std::size_t parsedByLastScan_ = 0;
  // The containers folder, opened inside the root for the scan under way.
  int containersFolder_ = -1;
  // The last scan's Info.plist folders found, in scan order, and its list:
  // a scan that parses nothing and finds the same folders returns that list
  // unsorted again.
  std::vector<std::string> lastFound_;
  std::vector<SparkAppRecord> lastApps_;
};
