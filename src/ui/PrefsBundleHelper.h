#pragma once
// What ChimewellHelper and QCPrefsHelper share: an image from the pane's own
// bundle instead of the running Settings app's. Each class keeps its own
// process-wide shared instance, made on its first use under its own
// once-token (so also when several threads ask first at once: one makes it,
// the others wait and get the same), which logs
// "_sharedInstance.prefsBundle: <bundle>" once and then lives until the
// process ends. A name the bundle lacks gives no image and logs nothing.
//
// Each helper explicitly instantiates this template in its own .cpp, which
// keeps its token and instance in the pane's library alone.
#include <memory>
#include <string>

#include "dispatch/dispatch.h"
#include "foundation/NSBundle.h"
#include "foundation/NSLog.h"
#include "foundation/NSObject.h"
#include "uikit/UIImage.h"

template <class Self>
class PrefsBundleHelper : public NSObject {
 public:
  static std::shared_ptr<Self> sharedInstance();
  // The named image from the shared instance's prefsBundle, or none.
  static std::shared_ptr<UIImage> imageNamed(const std::string& name);

  const std::shared_ptr<NSBundle>& prefsBundle() const { return prefsBundle_; }
  void setPrefsBundle(std::shared_ptr<NSBundle> bundle) { prefsBundle_ = std::move(bundle); }

 private:
  static dispatch_once_t onceToken_;
  static std::shared_ptr<Self> sharedInstance_;

  std::shared_ptr<NSBundle> prefsBundle_;
};

template <class Self>
dispatch_once_t PrefsBundleHelper<Self>::onceToken_;
template <class Self>
std::shared_ptr<Self> PrefsBundleHelper<Self>::sharedInstance_;

template <class Self>
std::shared_ptr<Self> PrefsBundleHelper<Self>::sharedInstance() {
  dispatch_once(&onceToken_, [] {
    sharedInstance_ = std::make_shared<Self>();
    sharedInstance_->setPrefsBundle(NSBundle::bundleForClass<Self>());
    NSLog("_sharedInstance.prefsBundle: %@", sharedInstance_->prefsBundle());
  });
  return sharedInstance_;
}

template <class Self>
std::shared_ptr<UIImage> PrefsBundleHelper<Self>::imageNamed(const std::string& name) {
  return UIImage::imageNamedInBundle(name, sharedInstance()->prefsBundle());
}
