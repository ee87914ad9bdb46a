// From a tap on a row of the sound chooser to the preview reaching its
// output: the first decoded audio handed to the device or to nowhere
// (`none`, `device` on SDL's dummy card), or the clip's first part ready for
// the browser page (`browser`). The tap includes the whole selection: the
// change block, checkmarks, opening and checking the file, and the store's
// atomic write. Sounds are 20-second tones made here with ffmpeg.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "dispatch/Clock.h"
#include "dispatch/MainRunLoop.h"
#include "foundation/NSLog.h"
#include "foundation/NSUserDefaults.h"
#include "media/AudioOutput.h"
#include "selectlist/QCSelectListTableViewController.h"
#include "store/SettingsStore.h"
#include "support/TemporaryDeviceRoot.h"
#include "support/TestSounds.h"
#include "uikit/UINavigationController.h"
#include "uikit/UIWindow.h"
#include "uikit/UserDriver.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits for the output to report one kind of activity.
class Arrival {
 public:
  explicit Arrival(AudioActivity awaited) {
    AudioOutput::setActivityListener([this, awaited](AudioActivity activity) {
      if (activity != awaited) return;
      {
        std::lock_guard guard(mutex_);
        arrived_ = Clock::now();
      }
      changed_.notify_all();
    });
  }
  ~Arrival() { AudioOutput::setActivityListener({}); }
  void reset() {
    std::lock_guard guard(mutex_);
    arrived_.reset();
  }
  Clock::time_point wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return arrived_.has_value(); });
    return *arrived_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<Clock::time_point> arrived_;
};

void tapToOutput(benchmark::State& state, AudioOutputMode mode, const std::string& sound) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  TemporaryDeviceRoot root;
  setNSLogSink([](const std::string&, const std::string&) {});
  MainRunLoop::main().reset();
  MainRunLoop::main().setClock(std::make_shared<ManualClock>());
  MainRunLoop::main().adoptCurrentThread();
  NSUserDefaults::resetStandardUserDefaults();
  NSUserDefaults::standardUserDefaults()->setObjectForKey("com.example.bench", kCurrentAppIdentifierKey);
  ensureSettingsDirectory();
  makeTestSound(root.path() / ("." + soundFilePath(sound)), 20);
  AudioOutput::setMode(mode);
  Arrival arrival(mode == AudioOutputMode::browser ? AudioActivity::clipReady : AudioActivity::firstFrameHanded);
  {
    std::vector<std::string> sounds{sound};
    auto chooser = std::make_shared<QCSelectListTableViewController>(UITableViewStyleGrouped, "Custom Sound", sounds,
                                                                      sounds, std::nullopt, false, nullptr);
    auto window = std::make_shared<UIWindow>();
    window->setRootViewController(UINavigationController::withRootViewController(chooser));
    window->makeKeyAndVisible();
    UserDriver driver(window);
    for (auto _ : state) {
      arrival.reset();
      const Clock::time_point tapped = Clock::now();
      driver.tapRow("s0r0");
      const Clock::time_point reached = arrival.wait();
      state.SetIterationTime(std::chrono::duration<double>(reached - tapped).count());
      audioPlayer1->stop();
    }
    window->resignKeyWindow();
  }
  audioPlayer1.reset();
  dict1.reset();
  MainRunLoop::main().reset();
  setNSLogSink({});
}

void BM_TapToFirstFrame_None(benchmark::State& state, const char* sound) {
  tapToOutput(state, AudioOutputMode::silent, sound);
}
void BM_TapToFirstFrame_Device(benchmark::State& state, const char* sound) {
  tapToOutput(state, AudioOutputMode::device, sound);
}
void BM_TapToClipReady_Browser(benchmark::State& state, const char* sound) {
  tapToOutput(state, AudioOutputMode::browser, sound);
}

BENCHMARK_CAPTURE(BM_TapToFirstFrame_None, m4r, "Chime.m4r")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapToFirstFrame_None, wav, "Ping.wav")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapToFirstFrame_Device, m4r, "Chime.m4r")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapToFirstFrame_Device, wav, "Ping.wav")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapToClipReady_Browser, m4r, "Chime.m4r")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapToClipReady_Browser, wav, "Ping.wav")->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
