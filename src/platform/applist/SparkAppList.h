#pragma once
// The app list library (libsparkapplist's SparkAppList): the apps installed
// on the device, each read through bundleIdentifier, displayName and icon.
//
// getAppList: gathers off the main thread and calls the completion later,
// on the main queue, as the real library does; the instance may go away
// meanwhile (the gathering keeps what it needs). How every instance gathers
// is one process-wide source: the installed apps of the current device root
// unless a test sets its own (setSource), which may deliver when it likes.
// While any list is being gathered, UIApplication's network activity
// indicator shows (the screen model's `loading`).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/NSObject.h"

class UIImage;

// One installed app. Its icon is never none: an app without a usable PNG
// icon gets the generic app icon. Icons are read when first drawn.
class SparkAppRecord {
 public:
  SparkAppRecord(std::string bundleIdentifier, std::string displayName, std::shared_ptr<UIImage> icon)
      : bundleIdentifier_(std::move(bundleIdentifier)), displayName_(std::move(displayName)), icon_(std::move(icon)) {}

  const std::string& bundleIdentifier() const { return bundleIdentifier_; }
  const std::string& displayName() const { return displayName_; }
  const std::shared_ptr<UIImage>& icon() const { return icon_; }

 private:
  std::string bundleIdentifier_;
  std::string displayName_;
  std::shared_ptr<UIImage> icon_;
};

using SparkAppListCompletion = std::function<void(const std::vector<SparkAppRecord>& apps)>;

// Where SparkAppList's lists come from. gather() is called on the main
// thread and must call the completion on it, now or later.
class SparkAppListSource {
 public:
  virtual ~SparkAppListSource() = default;
  virtual void gather(SparkAppListCompletion completion) = 0;
};

class SparkAppList : public NSObject {
 public:
  void getAppList(SparkAppListCompletion completion);

  // Every SparkAppList gathers from this source; none puts back the
  // installed apps of the current device root.
  static void setSource(std::shared_ptr<SparkAppListSource> source);
};
