#include "applist/InstalledAppScanner.h"

#include <fcntl.h>

#include <algorithm>
#include <future>
#include <tuple>

#include "applist/AppIcon.h"
#include "foundation/CaseInsensitiveSearch.h"
#include "foundation/DeviceFiles.h"
#include "foundation/DeviceRoot.h"
#include "foundation/FileDescriptor.h"
#include "foundation/NSDictionary.h"

namespace {

const PlistValue* member(const PlistValue::Dictionary& dictionary, const char* key) {
  auto found = dictionary.find(key);
  return found == dictionary.end() ? nullptr : &found->second;
}

// A non-empty string value, or none.
std::optional<std::string> nonEmptyString(const PlistValue::Dictionary& dictionary, const char* key) {
  const auto* value = member(dictionary, key);
  const auto* text = value ? value->as<std::string>() : nullptr;
  if (!text || text->empty()) return std::nullopt;
  return *text;
}

bool isHidden(const PlistValue::Dictionary& info) {
  const auto* tags = member(info, "SBAppTags");
  const auto* list = tags ? tags->as<PlistValue::Array>() : nullptr;
  if (!list) return false;
  return std::any_of(list->begin(), list->end(), [](const PlistValue& tag) {
    const auto* text = tag.as<std::string>();
    return text && *text == "hidden";
  });
}

InstalledAppScanner::Stamp stampOf(const struct stat& status) {
  return {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

std::string folderName(const std::string& folder) { return folder.substr(folder.rfind('/') + 1); }

std::vector<std::string> entriesEndingInApp(const std::string& folder) {
  std::vector<std::string> apps;
  for (auto& name : listDeviceDirectory(folder).value_or(std::vector<std::string>{}))
    if (name.size() > 4 && name.ends_with(".app")) apps.push_back(folder + "/" + name);
  return apps;
}

}  // namespace

bool InstalledAppScanner::Stamp::operator==(const Stamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::vector<SparkAppRecord> InstalledAppScanner::scan() {
  std::lock_guard guard(mutex_);
  auto root = currentDeviceRoot();
  if (root != root_) {
    known_.clear();
    containers_.clear();
    root_ = root;
  }
  FileDescriptor containers(root ? root->open(kContainers, O_PATH | O_DIRECTORY) : -1);
  containersFolder_ = containers.get();
  // Two halves, the second on a thread of its own: reading is mostly
  // waiting for the file system (a phone's, over the network, or two cores').
  const auto folders = appFolders();
  const std::size_t split = folders.size() >= kFoldersForTwoThreads ? folders.size() / 2 : folders.size();
  Part first, second;
  auto helper = split < folders.size() ? std::async(std::launch::async, [&] { scanFolders(folders, split, folders.size(), second); })
                                       : std::future<void>();
  scanFolders(folders, 0, split, first);
  if (helper.valid()) helper.get();
  containersFolder_ = -1;

  // Only folders seen now are kept, so removed apps are forgotten.
  first.seen.merge(second.seen);
  known_ = std::move(first.seen);
  parsedByLastScan_ = first.parsed + second.parsed;
  std::vector<Found> found = std::move(first.found);
  found.insert(found.end(), second.found.begin(), second.found.end());
  std::vector<std::string> foundFolders;
  foundFolders.reserve(found.size());
  for (const auto& entry : found) foundFolders.push_back(entry.folder);
  if (parsedByLastScan_ == 0 && foundFolders == lastFound_) return lastApps_;
  lastFound_ = std::move(foundFolders);
  for (auto& entry : found) entry.known = &known_.at(entry.folder);

  std::erase_if(found, [](const Found& entry) { return !entry.known->app; });
  std::sort(found.begin(), found.end(), [](const Found& left, const Found& right) {
    return std::tie(left.known->sortKey, left.known->app->bundleIdentifier(), left.folder) <
           std::tie(right.known->sortKey, right.known->app->bundleIdentifier(), right.folder);
  });
  std::vector<SparkAppRecord> apps;
  apps.reserve(found.size());
  for (const auto& entry : found) apps.push_back(*entry.known->app);
  lastApps_ = apps;
  return apps;
}

std::vector<std::string> InstalledAppScanner::appFolders() {
  auto folders = entriesEndingInApp(kSystemApplications);
  // A container's listing is kept while the container folder is unchanged
  // (adding, removing or renaming an entry changes its modification time).
  std::map<std::string, Listing> listed;
  for (const auto& name : listDeviceDirectory(kContainers).value_or(std::vector<std::string>{})) {
    const std::string container = std::string(kContainers) + "/" + name;
    auto known = containers_.find(container);
    if (known != containers_.end() && unchangedBelowContainers(container, known->second.stamp)) {
      folders.insert(folders.end(), known->second.apps.begin(), known->second.apps.end());
      listed.emplace(container, std::move(known->second));
      continue;
    }
    auto status = statDevicePath(container);
    if (!status || !S_ISDIR(status->st_mode)) continue;
    Listing listing{stampOf(*status), {}};
    if (known != containers_.end() && known->second.stamp == listing.stamp) {
      listing.apps = std::move(known->second.apps);
    } else {
      listing.apps = entriesEndingInApp(container);
    }
    folders.insert(folders.end(), listing.apps.begin(), listing.apps.end());
    listed.emplace(container, std::move(listing));
  }
  containers_ = std::move(listed);
  auto jailbreak = entriesEndingInApp(kJailbreakApplications);
  folders.insert(folders.end(), jailbreak.begin(), jailbreak.end());
  return folders;
}

// Each half reads known_ and moves out only its own folders' entries.
void InstalledAppScanner::scanFolders(const std::vector<std::string>& folders, std::size_t begin, std::size_t end,
                                      Part& part) {
  for (std::size_t index = begin; index < end; ++index) scanFolder(folders[index], part);
}

// Whether the file at the device path is still the one `stamp` describes,
// looked up from the containers folder opened inside the root: one call and a
// short walk in place of an open from the root. Only the same file (device,
// inode, size and time) counts, whatever way led to it; anything else takes
// the way through the root.
bool InstalledAppScanner::unchangedBelowContainers(const std::string& devicePath, const Stamp& stamp) const {
  const std::string_view prefix = kContainers;
  if (containersFolder_ < 0 || devicePath.size() <= prefix.size() + 1 || !devicePath.starts_with(prefix) ||
      devicePath[prefix.size()] != '/')
    return false;
  struct stat status {};
  return ::fstatat(containersFolder_, devicePath.c_str() + prefix.size() + 1, &status, 0) == 0 &&
         stampOf(status) == stamp;
}

void InstalledAppScanner::scanFolder(const std::string& appFolder, Part& part) {
  auto known = known_.find(appFolder);
  if (known != known_.end() && unchangedBelowContainers(appFolder + "/Info.plist", known->second.stamp)) {
    part.seen.emplace(appFolder, std::move(known->second));
    part.found.push_back({appFolder, nullptr});
    return;
  }
  auto isKnown = [&](const struct stat& status) {
    return known != known_.end() && known->second.stamp == stampOf(status);
  };
  // One open gives the status and, for a new or changed file, the content. It
  // follows links inside the root: an app behind a dangling one is not there.
  auto file = readDeviceFileUnless(appFolder + "/Info.plist", isKnown, kMaximumPropertyListFileSize);
  if (!file) return;
  if (isKnown(file->status)) {
    part.seen.emplace(appFolder, std::move(known->second));
  } else {
    part.seen.emplace(appFolder, read(appFolder, stampOf(file->status), file->content));
    ++part.parsed;
  }
  part.found.push_back({appFolder, nullptr});
}

InstalledAppScanner::Known InstalledAppScanner::read(const std::string& appFolder, const Stamp& stamp,
                                                     const std::optional<std::string>& infoPlist) {
  Known known{stamp, std::nullopt, {}};
  auto parsed = infoPlist ? parsePropertyList(*infoPlist) : std::nullopt;
  const auto* info = parsed ? parsed->as<PlistValue::Dictionary>() : nullptr;
  if (!info || isHidden(*info)) return known;
  auto identifier = nonEmptyString(*info, "CFBundleIdentifier");
  if (!identifier) return known;
  auto name = nonEmptyString(*info, "CFBundleDisplayName");
  if (!name) name = nonEmptyString(*info, "CFBundleName");
  if (!name) {
    name = folderName(appFolder);
    name->resize(name->size() - 4);  // ".app"
  }
  known.sortKey = caseFoldedText(*name);
  known.app.emplace(std::move(*identifier), std::move(*name), appIcon(appFolder, appIconFileNames(*info)));
  return known;
}

std::size_t InstalledAppScanner::infoPlistsParsedByLastScan() const {
  std::lock_guard guard(mutex_);
  return parsedByLastScan_;
}
