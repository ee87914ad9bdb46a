#pragma once
// App icons: the PNG files an app's Info.plist names, read only when the
// icon is first measured or drawn, and the generic app icon (our own artwork,
// built into the library) for an app without a usable one.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/PropertyList.h"

class UIImage;

// The icon file names an Info.plist gives, as written there (with or without
// ".png"): CFBundleIcons' CFBundlePrimaryIcon CFBundleIconFiles, then
// CFBundleIconFiles, then CFBundleIconFile.
std::vector<std::string> appIconFileNames(const PlistValue::Dictionary& info);

// The icon of the app in that folder (a device path): of the files the names
// stand for (name.png, name@2x.png, name@3x.png), the PNG with the most
// pixels; the generic app icon when none of them is a readable PNG. Nothing
// is read until the image is first measured or drawn.
std::shared_ptr<UIImage> appIcon(std::string appFolder, std::vector<std::string> names);

// Reads the icon's bytes on one of the app list's readers (AppListReaders.h),
// then calls `loaded` on the main queue (not when the read fails for want of
// a device root; that is logged): a page shows an icon once it
// isLoaded() and has the others read this way, so that no icon file is read
// on the main thread (on a phone over the network, a read is round trips).
void loadAppIconOffMainThread(std::shared_ptr<UIImage> icon, std::function<void()> loaded);

// The generic app icon: one image for the whole process, 60 points at 3x.
std::shared_ptr<UIImage> genericAppIcon();
