// From a tap on a row of the sound chooser to the preview reaching its
// output: the first decoded audio handed to the device or to nowhere
// (`none`, `device` on SDL's dummy card), or the clip's first part ready for
// the browser page (`browser`). The tap includes the whole selection: the
// change block, checkmarks, opening the file and the store's atomic write;
// the play's thread checks and decodes it. Sounds are 20-second tones made
// here with ffmpeg.
//
// Then files that are not ringtones: how long a tap on each holds the main
// thread, and the memory one preview takes whatever the file states.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "dispatch/Clock.h"
#include "dispatch/MainRunLoop.h"
#include "foundation/NSLog.h"
#include "foundation/NSUserDefaults.h"
#include "media/AudioDecoder.h"
#include "media/AudioOutput.h"
#include "selectlist/QCSelectListTableViewController.h"
#include "store/SettingsStore.h"
#include "support/LoopbackHttpServer.h"
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

// The chooser of one sound over a fresh device root, shown in a window.
class OneSoundChooser {
 public:
  explicit OneSoundChooser(const std::string& sound) : sound_(sound) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setNSLogSink([](const std::string&, const std::string&) {});
    MainRunLoop::main().reset();
    MainRunLoop::main().setClock(std::make_shared<ManualClock>());
    MainRunLoop::main().adoptCurrentThread();
    NSUserDefaults::resetStandardUserDefaults();
    NSUserDefaults::standardUserDefaults()->setObjectForKey("com.example.bench", kCurrentAppIdentifierKey);
    ensureSettingsDirectory();
    std::vector<std::string> sounds{sound};
    auto chooser = std::make_shared<QCSelectListTableViewController>(UITableViewStyleGrouped, "Custom Sound", sounds,
                                                                      sounds, std::nullopt, false, nullptr);
    window_->setRootViewController(UINavigationController::withRootViewController(chooser));
    window_->makeKeyAndVisible();
  }
  ~OneSoundChooser() {
    window_->resignKeyWindow();
    window_.reset();
    audioPlayer1.reset();
    dict1.reset();
    MainRunLoop::main().reset();
    setNSLogSink({});
  }

  std::filesystem::path soundFile() const { return root_.path() / ("." + soundFilePath(sound_)); }
  void tap() { driver_.tapRow("s0r0"); }

 private:
  TemporaryDeviceRoot root_;
  std::string sound_;
  std::shared_ptr<UIWindow> window_ = std::make_shared<UIWindow>();
  UserDriver driver_{window_};
};

void tapToOutput(benchmark::State& state, AudioOutputMode mode, const std::string& sound) {
  OneSoundChooser chooser(sound);
  makeTestSound(chooser.soundFile(), 20);
  AudioOutput::setMode(mode);
  Arrival arrival(mode == AudioOutputMode::browser ? AudioActivity::clipReady : AudioActivity::firstFrameHanded);
  for (auto _ : state) {
    arrival.reset();
    const Clock::time_point tapped = Clock::now();
    chooser.tap();
    const Clock::time_point reached = arrival.wait();
    state.SetIterationTime(std::chrono::duration<double>(reached - tapped).count());
    audioPlayer1->stop();
  }
}

// Files that are not ringtones, each as the sound library may hold it.
enum class Hostile { zeros, wav1Hz, wav8kHz8Channels, dash, hls };

void makeHostile(Hostile kind, const std::filesystem::path& file, const LoopbackHttpServer& server) {
  std::string wav;
  switch (kind) {
    case Hostile::zeros:  // 512 MiB of zeros (a sparse file: no disk in the way)
      std::filesystem::create_directories(file.parent_path());
      writeHostFile(file, "");
      std::filesystem::resize_file(file, std::uintmax_t{512} << 20);
      return;
    case Hostile::dash:
    case Hostile::hls:  // its media at a server that never answers
      writeHostFile(file, manifestPointingAt(kind == Hostile::dash ? Manifest::dash : Manifest::hls,
                                             server.url("/never.m4a")));
      return;
    case Hostile::wav1Hz:
    case Hostile::wav8kHz8Channels:  // a 20-second WAV whose header says so
      makeTestSound(file, 20);
      wav = readHostFile(file);
      const std::uint16_t channels = kind == Hostile::wav1Hz ? 1 : 8;
      const std::uint32_t rate = kind == Hostile::wav1Hz ? 1 : 8000;
      wav.replace(22, 2, reinterpret_cast<const char*>(&channels), 2);
      wav.replace(24, 4, reinterpret_cast<const char*>(&rate), 4);
      writeHostFile(file, wav);
      return;
  }
}

// From the tap to the main thread being free again, with the preview playing
// in the browser mode (a play that never reaches its first frame costs the
// tap nothing more).
void BM_TapAnswered(benchmark::State& state, Hostile kind, const char* sound) {
  LoopbackHttpServer server;
  server.stallAt("/never.m4a");
  OneSoundChooser chooser(sound);
  makeHostile(kind, chooser.soundFile(), server);
  AudioOutput::setMode(AudioOutputMode::browser);
  for (auto _ : state) {
    chooser.tap();
    audioPlayer1.reset();
  }
  state.counters["fetched"] = server.requestsTo("/never.m4a");
}

// The decoder's whole check of a file on its own: what a play's thread runs
// before anything plays (and what a tap ran on the main thread before).
void BM_DecoderRefuses(benchmark::State& state, Hostile kind, const char* sound) {
  LoopbackHttpServer server;
  server.stallAt("/never.m4a");
  OneSoundChooser chooser(sound);
  makeHostile(kind, chooser.soundFile(), server);
  for (auto _ : state) {
    std::string why;
    if (AudioDecoder::open(AudioSource::openDeviceFile(soundFilePath(sound), &why), &why)) state.SkipWithError("opened");
  }
}

// The process's peak memory over one three-second browser preview (Linux's
// peak resident size, reset before the tap), and its rise over the memory
// in use before it.
long residentKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field)) return std::stol(line.substr(std::strlen(field)));
  }
  return 0;
}

void BM_PreviewPeakMemory(benchmark::State& state, Hostile kind, const char* sound) {
  LoopbackHttpServer server;
  OneSoundChooser chooser(sound);
  makeHostile(kind, chooser.soundFile(), server);
  AudioOutput::setMode(AudioOutputMode::browser);
  for (auto _ : state) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = residentKiB("VmRSS:");
    chooser.tap();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    audioPlayer1->stop();
    const long peak = residentKiB("VmHWM:");
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024;
    state.counters["rise_MiB"] = static_cast<double>(peak - before) / 1024;
  }
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
BENCHMARK_CAPTURE(BM_TapAnswered, zeros_mp3, Hostile::zeros, "zeros.mp3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapAnswered, wav_1Hz, Hostile::wav1Hz, "1Hz.wav")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapAnswered, dash_m4r, Hostile::dash, "dash.m4r")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TapAnswered, hls_m3u8, Hostile::hls, "hls.m3u8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecoderRefuses, zeros_mp3, Hostile::zeros, "zeros.mp3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecoderRefuses, wav_1Hz, Hostile::wav1Hz, "1Hz.wav")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecoderRefuses, dash_m4r, Hostile::dash, "dash.m4r")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecoderRefuses, hls_m3u8, Hostile::hls, "hls.m3u8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PreviewPeakMemory, wav_1Hz, Hostile::wav1Hz, "1Hz.wav")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_PreviewPeakMemory, zeros_mp3, Hostile::zeros, "zeros.mp3")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_PreviewPeakMemory, wav_8kHz_8ch, Hostile::wav8kHz8Channels, "8ch.wav")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
