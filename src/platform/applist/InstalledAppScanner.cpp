#include "applist/InstalledAppScanner.h"

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <tuple>

#include "applist/AppIcon.h"
#include "applist/AppListReaders.h"
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
    lastFound_.clear();
    lastApps_.clear();
    root_ = root;
  }
  // Every app folder and container is read on its own reader: on a phone
  // over the network each file step waits a round trip, and one after
  // another they would add up to seconds. The readers only read known_ and
  // containers_; what they found is taken in below, on this thread.
  const auto places = placesToRead();
  std::vector<Scanned> scanned(places.size());
  std::atomic<std::size_t> parsed = 0;
  FileDescriptor containers(root ? root->open(kContainers, O_PATH | O_DIRECTORY) : -1);
  containersFolder_ = containers.get();
  try {
    readInParallel(places.size(), [&](std::size_t index) {
      const auto& [folder, isContainer] = places[index];
      scanned[index] = isContainer ? scanContainer(folder, parsed) : Scanned{false, std::nullopt, {scanFolder(folder, parsed)}};
    });
  } catch (...) {
    containersFolder_ = -1;
    throw;
  }
  containersFolder_ = -1;
  parsedByLastScan_ = parsed;
  // The usual repeat: every record still holds, and nothing needs rebuilding.
  if (nothingChanged(places, scanned)) return lastApps_;

  // Only folders seen now are kept, so removed apps are forgotten.
  std::map<std::string, Known> seen;
  std::map<std::string, Listing> listed;
  std::vector<std::string> found;
  for (std::size_t index = 0; index < places.size(); ++index) {
    auto& place = scanned[index];
    if (place.listing) listed.emplace(places[index].first, std::move(*place.listing));
    else if (place.listingKept) listed.insert(containers_.extract(places[index].first));
    for (auto& app : place.apps) {
      if (app.kept) seen.insert(known_.extract(app.folder));
      else if (app.fresh) seen.emplace(app.folder, std::move(*app.fresh));
      else continue;
      found.push_back(std::move(app.folder));
    }
  }
  known_ = std::move(seen);
  containers_ = std::move(listed);
  if (parsedByLastScan_ == 0 && found == lastFound_) return lastApps_;
  lastFound_ = found;

  std::vector<const Known*> apps;
  for (const auto& folder : found) {
    const Known& known = known_.at(folder);
    if (known.app) apps.push_back(&known);
  }
  std::sort(apps.begin(), apps.end(), [](const Known* left, const Known* right) {
    return std::tie(left->sortKey, left->app->bundleIdentifier(), left->folder) <
           std::tie(right->sortKey, right->app->bundleIdentifier(), right->folder);
  });
  std::vector<SparkAppRecord> records;
  records.reserve(apps.size());
  for (const auto* known : apps) records.push_back(*known->app);
  lastApps_ = records;
  return records;
}

bool InstalledAppScanner::nothingChanged(const std::vector<std::pair<std::string, bool>>& places,
                                         const std::vector<Scanned>& scanned) const {
  std::size_t position = 0;
  for (std::size_t index = 0; index < places.size(); ++index) {
    // A container listed anew, or gone; an entry that never was a folder changes nothing.
    const auto& place = scanned[index];
    if (places[index].second && !place.listingKept && (place.listing || containers_.contains(places[index].first)))
      return false;
    for (const auto& app : place.apps) {
      if (app.fresh) return false;
      if (!app.kept) continue;
      if (position == lastFound_.size() || lastFound_[position] != app.folder) return false;
      ++position;
    }
  }
  return position == lastFound_.size();
}

std::vector<std::pair<std::string, bool>> InstalledAppScanner::placesToRead() {
  std::vector<std::pair<std::string, bool>> places;
  for (auto& folder : entriesEndingInApp(kSystemApplications)) places.emplace_back(std::move(folder), false);
  for (const auto& name : listDeviceDirectory(kContainers).value_or(std::vector<std::string>{}))
    places.emplace_back(std::string(kContainers) + "/" + name, true);
  for (auto& folder : entriesEndingInApp(kJailbreakApplications)) places.emplace_back(std::move(folder), false);
  return places;
}

InstalledAppScanner::Scanned InstalledAppScanner::scanContainer(const std::string& container,
                                                                std::atomic<std::size_t>& parsed) const {
  Scanned scanned;
  // Its listing is kept while the container folder is unchanged (adding,
  // removing or renaming an entry changes its modification time).
  auto known = containers_.find(container);
  if (known != containers_.end() && unchangedBelowContainers(container, known->second.stamp)) {
    scanned.listingKept = true;
  } else {
    auto status = statDevicePath(container);
    if (!status || !S_ISDIR(status->st_mode)) return scanned;
    scanned.listingKept = known != containers_.end() && known->second.stamp == stampOf(*status);
    if (!scanned.listingKept) scanned.listing = Listing{stampOf(*status), entriesEndingInApp(container)};
  }
  const auto& apps = scanned.listingKept ? known->second.apps : scanned.listing->apps;
  for (const auto& folder : apps) scanned.apps.push_back(scanFolder(folder, parsed));
  return scanned;
}

InstalledAppScanner::AppRead InstalledAppScanner::scanFolder(const std::string& appFolder,
                                                             std::atomic<std::size_t>& parsed) const {
  const std::string infoPlist = appFolder + "/Info.plist";
  auto known = known_.find(appFolder);
  auto isKnown = [&](const struct stat& status) {
    return known != known_.end() && known->second.stamp == stampOf(status);
  };
  auto kept = [&] { return AppRead{appFolder, true, std::nullopt}; };
  // A known app is checked by its status alone: over the network an open
  // and a close cost two more round trips.
  if (known != known_.end() && unchangedBelowContainers(infoPlist, known->second.stamp)) return kept();
  if (known != known_.end()) {
    auto status = statDevicePath(infoPlist);
    if (status && S_ISREG(status->st_mode) && isKnown(*status)) return kept();
  }
  // One open gives the status and, for a new or changed file, the content. It
  // follows links inside the root: an app behind a dangling one is not there.
  auto file = readDeviceFileUnless(infoPlist, isKnown, kMaximumPropertyListFileSize);
  if (!file) return {appFolder, false, std::nullopt};
  if (isKnown(file->status)) return kept();
  ++parsed;
  return {appFolder, false, read(appFolder, stampOf(file->status), file->content)};
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

InstalledAppScanner::Known InstalledAppScanner::read(const std::string& appFolder, const Stamp& stamp,
                                                     const std::optional<std::string>& infoPlist) {
  Known known{stamp, std::nullopt, {}, appFolder};
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
