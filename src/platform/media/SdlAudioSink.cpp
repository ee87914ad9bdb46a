// The device output: SDL2's queue on this machine's sound card. One device,
// opened on first use in the output format and kept for the process; the
// preview that wrote last owns it, and a stop clears only its own sound.
#include <SDL.h>

#include <mutex>

#include "foundation/NSLog.h"
#include "media/AudioSink.h"

namespace {

class SdlDevice {
 public:
  // Never destroyed: decoding threads may still stop their sound while the
  // process ends.
  static SdlDevice& shared() {
    static auto* device = new SdlDevice();
    return *device;
  }

  void queue(const void* owner, const std::vector<std::int16_t>& samples) {
    std::lock_guard guard(mutex_);
    if (!openOnce()) return;
    if (owner_ != owner) SDL_ClearQueuedAudio(device_);
    owner_ = owner;
    SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size() * sizeof(std::int16_t)));
  }

  void clear(const void* owner) {
    std::lock_guard guard(mutex_);
    if (device_ == 0 || owner_ != owner) return;
    SDL_ClearQueuedAudio(device_);
    owner_ = nullptr;
  }

 private:
  bool openOnce() {
    if (tried_) return device_ != 0;
    tried_ = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      NSLog("Sound previews play silently: no audio (%@)", std::string(SDL_GetError()));
      return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = AudioOutput::kSampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = AudioOutput::kChannels;
    wanted.samples = 1024;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);  // SDL converts to what the card takes
    if (device_ == 0) {
      NSLog("Sound previews play silently: no audio device (%@)", std::string(SDL_GetError()));
      return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  std::mutex mutex_;
  bool tried_ = false;
  SDL_AudioDeviceID device_ = 0;
  const void* owner_ = nullptr;
};

class DeviceSink : public AudioSink {
 public:
  std::chrono::milliseconds lead() const override { return std::chrono::milliseconds(200); }
  void write(const std::vector<std::int16_t>& samples) override { SdlDevice::shared().queue(this, samples); }
  void stop() override { SdlDevice::shared().clear(this); }
  ~DeviceSink() override { SdlDevice::shared().clear(this); }
};

}  // namespace

std::unique_ptr<AudioSink> makeDeviceSink() { return std::make_unique<DeviceSink>(); }
