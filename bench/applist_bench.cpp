// The application picker on a device of 100, 1,000 and 5,000 apps (one
// container each, binary Info.plist, one icon): the time from a showing's
// fetch to its rows, with the bytes it writes to the application list cache
// file, on a first showing (nothing known) and a repeat showing (the same
// apps, read before); the time of one keystroke of search over 5,000 names;
// and, for scale, a plain program's scan: list, read and parse every Info.plist.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "applist/ApplistTableViewController.h"
#include "applist/InstalledAppScanner.h"
#include "dispatch/MainRunLoop.h"
#include "foundation/DeviceFiles.h"
#include "foundation/DeviceRoot.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSUserDefaults.h"
#include "store/SettingsPaths.h"
#include "support/AppListFixtures.h"
#include "support/TemporaryDeviceRoot.h"
#include "uikit/UINavigationController.h"
#include "uikit/UIWindow.h"

namespace {

constexpr std::array<const char*, 16> kWords{"Lumen", "Tide", "Cafe", "Mosaic", "Orbit", "Quill", "Nimbus", "Pixel",
                                             "Harbor", "Echo", "Sprout", "Vault", "Atlas", "Ember", "Kite", "Mango"};

// "Orbit Kite 417": names that share words, as app names do.
std::string appName(int index) {
  return std::string(kWords[index % 16]) + " " + kWords[(index / 16) % 16] + " " + std::to_string(index);
}

std::string containerFolder(int index) {
  return std::string(InstalledAppScanner::kContainers) + "/C" + std::to_string(index) + "/App" +
         std::to_string(index) + ".app";
}

// A device root with `count` installed apps.
class Device {
 public:
  explicit Device(int count) : count_(count) {
    NSUserDefaults::resetStandardUserDefaults();
    std::filesystem::create_directories(root_.path() / "var/mobile/Library/Preferences");
    for (int index = 0; index < count; ++index) {
      const auto folder = containerFolder(index);
      installApp(root_.path(), folder,
                 appInfo("com.example.app" + std::to_string(index), appName(index),
                         {{"CFBundleIconFiles", PlistValue::Array{"AppIcon60x60"}}}),
                 InfoFormat::binary);
      writeHostFile(root_.path() / folder.substr(1) / "AppIcon60x60@2x.png", pngOfSize(120, 120));
    }
    MainRunLoop::main().adoptCurrentThread();
  }
  // A new DeviceRoot object for the same folder: the app list forgets what it read.
  void forgetKnownApps() const { setCurrentDeviceRoot(std::make_shared<DeviceRoot>(root_.path())); }
  int count() const { return count_; }

 private:
  TemporaryDeviceRoot root_;
  int count_;
};

// The picker shown in a window, as the Settings app shows it.
struct ShownPicker {
  ShownPicker() {
    window->setRootViewController(UINavigationController::withRootViewController(page));
    window->makeKeyAndVisible();
  }
  // Runs the main loop until the list is in and the visible rows are made.
  void waitForRows(std::size_t count) {
    MainRunLoop::main().runUntil([&] { return page->arr().size() == count; });
    window->layoutIfNeeded();
  }
  std::shared_ptr<ApplistTableViewController> page = std::make_shared<ApplistTableViewController>();
  std::shared_ptr<UIWindow> window = std::make_shared<UIWindow>();
};

// The cache file's inode and size: an atomic write always gives a new inode.
std::pair<ino_t, off_t> cacheStamp() {
  auto status = statDevicePath(kApplicationListCachePath);
  return status ? std::pair(status->st_ino, status->st_size) : std::pair(ino_t{0}, off_t{0});
}

void BM_FirstShowing(benchmark::State& state) {
  Device device(static_cast<int>(state.range(0)));
  double written = 0;
  for (auto _ : state) {
    state.PauseTiming();
    device.forgetKnownApps();
    std::filesystem::remove(currentDeviceRoot()->hostPath() / std::string(kApplicationListCachePath).substr(1));
    state.ResumeTiming();
    ShownPicker shown;
    shown.waitForRows(static_cast<std::size_t>(device.count()));
    state.PauseTiming();
    written += static_cast<double>(cacheStamp().second);
    state.ResumeTiming();
  }
  state.counters["cache_bytes_written"] = benchmark::Counter(written, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FirstShowing)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_RepeatShowing(benchmark::State& state) {
  Device device(static_cast<int>(state.range(0)));
  ShownPicker shown;
  shown.waitForRows(static_cast<std::size_t>(device.count()));
  double written = 0;
  for (auto _ : state) {
    const auto before = cacheStamp();
    shown.page->fetchData();
    shown.waitForRows(static_cast<std::size_t>(device.count()));
    state.PauseTiming();
    if (cacheStamp() != before) written += static_cast<double>(cacheStamp().second);
    state.ResumeTiming();
  }
  state.counters["cache_bytes_written"] = benchmark::Counter(written, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RepeatShowing)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// For scale: what a plain program does, nothing kept: list the containers,
// find each one's app folder, read and parse its Info.plist.
void BM_PlainScanOfEveryInfoPlist(benchmark::State& state) {
  Device device(static_cast<int>(state.range(0)));
  const auto containers = currentDeviceRoot()->hostPath() / std::string(InstalledAppScanner::kContainers).substr(1);
  for (auto _ : state) {
    for (const auto& container : std::filesystem::directory_iterator(containers))
      for (const auto& entry : std::filesystem::directory_iterator(container.path()))
        if (entry.path().extension() == ".app")
          benchmark::DoNotOptimize(readPropertyListDictionary(
              (std::filesystem::path(InstalledAppScanner::kContainers) / container.path().filename() /
               entry.path().filename() / "Info.plist").string()));
  }
}
BENCHMARK(BM_PlainScanOfEveryInfoPlist)->Arg(5000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// One keystroke over 5,000 names: the search, the table's reload, and the
// visible rows made anew. Alternates between a narrow and a wide search.
void BM_KeystrokeOver5000Names(benchmark::State& state) {
  auto source = std::make_shared<PreparedAppList>();
  SparkAppList::setSource(source);
  TemporaryDeviceRoot root;
  MainRunLoop::main().adoptCurrentThread();
  ShownPicker shown;
  std::vector<SparkAppRecord> apps;
  for (int index = 0; index < 5000; ++index) apps.push_back(preparedApp(appName(index), "id" + std::to_string(index)));
  source->deliverLatest(apps);
  const std::array<std::string, 2> texts{state.range(0) ? "e" : "mango kite", state.range(0) ? "ec" : "mango kite 2"};
  std::size_t turn = 0;
  for (auto _ : state) {
    shown.page->searchBarTextDidChange(shown.page->searchBar(), texts[turn++ % 2]);
    shown.window->layoutIfNeeded();
  }
  state.counters["matches"] = static_cast<double>(shown.page->tableViewNumberOfRowsInSection(nullptr, 0));
  SparkAppList::setSource(nullptr);
}
BENCHMARK(BM_KeystrokeOver5000Names)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
