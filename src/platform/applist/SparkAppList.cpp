#include "applist/SparkAppList.h"

#include <mutex>

#include "applist/InstalledAppScanner.h"
#include "dispatch/dispatch.h"
#include "foundation/NSLog.h"
#include "uikit/UIApplication.h"

namespace {

// Scans on a global queue and delivers on the main queue. One scanner for
// the process, so that its records of unchanged apps serve every fetch.
class InstalledAppsSource final : public SparkAppListSource {
 public:
  void gather(SparkAppListCompletion completion) override {
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0),
                   [scanner = scanner_, completion = std::move(completion)]() mutable {
                     auto apps = std::make_shared<std::vector<SparkAppRecord>>();
                     try {
                       *apps = scanner->scan();
                     } catch (const std::exception& failure) {
                       NSLog("SparkAppList: cannot list the installed apps: %@", failure.what());
                     }
                     dispatch_async(dispatch_get_main_queue(),
                                    [apps, completion = std::move(completion)] { completion(*apps); });
                   });
  }

 private:
  std::shared_ptr<InstalledAppScanner> scanner_ = std::make_shared<InstalledAppScanner>();
};

std::mutex sourceMutex;
std::shared_ptr<SparkAppListSource>& sourceSlot() {
  static std::shared_ptr<SparkAppListSource> source;
  return source;
}
std::shared_ptr<SparkAppListSource>& installedAppsSource() {
  static std::shared_ptr<SparkAppListSource> installed = std::make_shared<InstalledAppsSource>();
  return installed;
}

std::shared_ptr<SparkAppListSource> currentSource() {
  std::lock_guard guard(sourceMutex);
  return sourceSlot() ? sourceSlot() : installedAppsSource();
}

// Main thread only, as gather() and its completions are.
std::size_t gathersUnderWay = 0;

}  // namespace

void SparkAppList::getAppList(SparkAppListCompletion completion) {
  ++gathersUnderWay;
  UIApplication::sharedApplication()->setNetworkActivityIndicatorVisible(true);
  auto counted = std::make_shared<bool>(false);
  currentSource()->gather([counted, completion = std::move(completion)](const std::vector<SparkAppRecord>& apps) {
    if (!*counted) {
      *counted = true;
      if (--gathersUnderWay == 0) UIApplication::sharedApplication()->setNetworkActivityIndicatorVisible(false);
    }
    completion(apps);
  });
}

void SparkAppList::setSource(std::shared_ptr<SparkAppListSource> source) {
  std::lock_guard guard(sourceMutex);
  sourceSlot() = std::move(source);
}
