#include "media/AudioSink.h"

namespace {

// Decodes to nowhere; the session still takes the time a device would.
class SilentSink : public AudioSink {
 public:
  std::chrono::milliseconds lead() const override { return std::chrono::milliseconds(250); }
  void write(const std::vector<std::int16_t>&) override {}
};

}  // namespace

std::unique_ptr<AudioSink> makeAudioSink(AudioOutputMode mode, const std::optional<std::string>& tab) {
  switch (mode) {
    case AudioOutputMode::browser:
      return makeBrowserClipSink(tab);
    case AudioOutputMode::device:
      return makeDeviceSink();
    case AudioOutputMode::silent:
      break;
  }
  return std::make_unique<SilentSink>();
}
