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
// The scan reads many app folders at once (AppListReaders.h); a known app
// costs only a status of its Info.plist.
// scan() runs on any thread; scans take turns.
#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
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
    std::string folder;  // the last of the order
  };
  struct Listing {
    Stamp stamp;                    // of the container folder
    std::vector<std::string> apps;  // its "*.app" folders
  };
  struct AppRead {  // what reading one app folder found
    std::string folder;
    bool kept = false;           // its entry in known_ still holds
    std::optional<Known> fresh;  // read anew; none and not kept: no readable Info.plist
  };
  struct Scanned {  // what reading one app folder or container found
    bool listingKept = false;        // a container's entry in containers_ still holds
    std::optional<Listing> listing;  // a container's, listed anew
    std::vector<AppRead> apps;
  };

  // The app folders of /Applications and /var/jb/Applications, and the
  // containers (true), in that order.
  std::vector<std::pair<std::string, bool>> placesToRead();
  Scanned scanContainer(const std::string& container, std::atomic<std::size_t>& parsed) const;
  AppRead scanFolder(const std::string& appFolder, std::atomic<std::size_t>& parsed) const;
  // Whether the scan found what the last one did, every record kept.
  bool nothingChanged(const std::vector<std::pair<std::string, bool>>& places,
                      const std::vector<Scanned>& scanned) const;
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
