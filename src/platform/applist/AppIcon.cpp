#include "applist/AppIcon.h"

#include "applist/AppListReaders.h"
#include "applist/GenericAppIconData.h"
#include "dispatch/WorkerPool.h"
#include "dispatch/dispatch.h"
#include "foundation/DeviceFiles.h"
#include "foundation/NSLog.h"
#include "uikit/UIImage.h"

namespace {

// Icons are small; anything far larger is no icon of ours to serve.
constexpr std::size_t kMaximumIconFileSize = 4 * 1024 * 1024;
constexpr double kGenericIconScale = 3;

void appendStrings(const PlistValue* value, std::vector<std::string>& names) {
  if (!value) return;
  if (const auto* name = value->as<std::string>()) {
    if (!name->empty()) names.push_back(*name);
  } else if (const auto* list = value->as<PlistValue::Array>()) {
    for (const auto& item : *list) appendStrings(&item, names);
  }
}

const PlistValue* member(const PlistValue::Dictionary& dictionary, const std::string& key) {
  auto found = dictionary.find(key);
  return found == dictionary.end() ? nullptr : &found->second;
}

const PlistValue::Dictionary* dictionaryMember(const PlistValue::Dictionary& dictionary, const std::string& key) {
  const auto* value = member(dictionary, key);
  return value ? value->as<PlistValue::Dictionary>() : nullptr;
}

struct Candidate {
  std::string file;
  double scale;
};

// The files a name stands for: "AppIcon60x60" and "Icon.png" alike give the
// plain, @2x and @3x files. A name with another extension is tried as it is.
std::vector<Candidate> candidateFiles(const std::vector<std::string>& names) {
  std::vector<Candidate> files;
  for (std::string base : names) {
    if (base.find('/') != std::string::npos) continue;  // a name, not a path out of the folder
    if (base.ends_with(".png")) {
      base.resize(base.size() - 4);
    } else if (base.find('.') != std::string::npos) {
      files.push_back({base, 1});
      continue;
    }
    files.push_back({base + ".png", 1});
    files.push_back({base + "@2x.png", 2});
    files.push_back({base + "@3x.png", 3});
  }
  return files;
}

UIImage::LoadedPNG genericIconData() {
  return {std::vector<std::uint8_t>(kGenericAppIconPNG, kGenericAppIconPNG + kGenericAppIconPNGSize),
          kGenericIconScale};
}

UIImage::LoadedPNG largestIcon(const std::string& folder, const std::vector<std::string>& names) {
  std::shared_ptr<UIImage> best;
  for (const auto& candidate : candidateFiles(names)) {
    auto bytes = readDeviceFile(folder + "/" + candidate.file, nullptr, kMaximumIconFileSize);
    if (!bytes) continue;
    auto image = UIImage::imageWithPNGData(std::vector<std::uint8_t>(bytes->begin(), bytes->end()), candidate.scale);
    if (!image) continue;  // not a PNG
    auto pixels = [](const UIImage& icon) { return icon.width() * icon.scale() * icon.height() * icon.scale(); };
    if (!best || pixels(*image) > pixels(*best)) best = std::move(image);
  }
  if (!best) return genericIconData();
  return {best->pngData(), best->scale()};
}

}  // namespace

std::vector<std::string> appIconFileNames(const PlistValue::Dictionary& info) {
  std::vector<std::string> names;
  if (const auto* icons = dictionaryMember(info, "CFBundleIcons"))
    if (const auto* primary = dictionaryMember(*icons, "CFBundlePrimaryIcon"))
      appendStrings(member(*primary, "CFBundleIconFiles"), names);
  appendStrings(member(info, "CFBundleIconFiles"), names);
  appendStrings(member(info, "CFBundleIconFile"), names);
  return names;
}

std::shared_ptr<UIImage> appIcon(std::string appFolder, std::vector<std::string> names) {
  if (names.empty()) return genericAppIcon();
  return UIImage::imageLoadedOnFirstUse(
      [folder = std::move(appFolder), names = std::move(names)] { return largestIcon(folder, names); });
}

void loadAppIconOffMainThread(std::shared_ptr<UIImage> icon, std::function<void()> loaded) {
  appListReaders().post([icon = std::move(icon), loaded = std::move(loaded)]() mutable {
    try {
      icon->pngData();
    } catch (const std::exception& failure) {
      // The device root went away (the page with it): nobody waits for the icon.
      NSLog("SparkAppList: cannot read an app icon: %@", failure.what());
      return;
    }
    dispatch_async(dispatch_get_main_queue(), std::move(loaded));
  });
}

std::shared_ptr<UIImage> genericAppIcon() {
  static const std::shared_ptr<UIImage> icon = [] {
    auto data = genericIconData();
    return UIImage::imageWithPNGData(std::move(data.png), data.scale);
  }();
  return icon;
}
