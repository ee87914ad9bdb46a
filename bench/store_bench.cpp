// The settings store's file steps on a real temporary device root: storing a
// key (refresh from the file, set, atomic whole-file write) and loading, for
// a per-app settings file of 5 keys (the usual size) and of 1,000 keys.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/NSLog.h"
#include "foundation/NSUserDefaults.h"
#include "store/SettingsStore.h"
#include "support/TemporaryDeviceRoot.h"

namespace {

// A fresh device root holding one per-app settings file of `keys` keys.
class StoreFixture {
 public:
  explicit StoreFixture(int keys) {
    NSUserDefaults::resetStandardUserDefaults();
    NSUserDefaults::standardUserDefaults()->setObjectForKey("com.example.bench", kCurrentAppIdentifierKey);
    ensureSettingsDirectory();
    PlistValue::Dictionary contents{{kEnableToggleKey, true},
                                    {kVibrationToggleKey, false},
                                    {kNotificationAlertKey, "Bell.m4r"},
                                    {kVibrationTimesKey, "3"},
                                    {kCustomToggleKey, true}};
    for (int i = static_cast<int>(contents.size()); i < keys; ++i) {
      contents["otherPartyKey" + std::to_string(i)] = "value of key number " + std::to_string(i);
    }
    NSMutableDictionary(contents).writeToFileAtomically(*perAppSettingsPath(), true);
  }
  ~StoreFixture() {
    NSUserDefaults::resetStandardUserDefaults();
  }

 private:
  TemporaryDeviceRoot root_;
};

void storeKey(benchmark::State& state) {
  StoreFixture fixture(static_cast<int>(state.range(0)));
  auto copy = loadSettings();
  bool on = false;
  for (auto _ : state) {
    on = !on;
    if (storeSettingsKey(copy, kEnableToggleKey, on) != StoreResult::stored) {
      state.SkipWithError("store failed");
      break;
    }
  }
}
BENCHMARK(storeKey)->Arg(5)->Arg(1000)->Unit(benchmark::kMicrosecond);

void load(benchmark::State& state) {
  StoreFixture fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto copy = loadSettings();
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(load)->Arg(5)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
