// The browser output: decoded audio cut into half-second WAV parts of the
// current BrowserClip, which the host serves to the page.
#include "media/AudioSink.h"
#include "media/BrowserClip.h"
#include "media/WavBytes.h"

namespace {

constexpr std::size_t kPartFrames = AudioOutput::kSampleRate / 2;

class BrowserClipSink : public AudioSink {
 public:
  explicit BrowserClipSink(const std::optional<std::string>& tab) : clip_(BrowserClip::begin(tab)) {}

  // A part ahead of the page, and some slack for the network.
  std::chrono::milliseconds lead() const override { return std::chrono::milliseconds(1000); }

  void write(const std::vector<std::int16_t>& samples) override {
    pending_.insert(pending_.end(), samples.begin(), samples.end());
    const std::size_t partSamples = kPartFrames * AudioOutput::kChannels;
    std::size_t start = 0;
    for (; pending_.size() - start >= partSamples; start += partSamples) addPart(start, partSamples);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
  }

  void finish() override {
    if (!pending_.empty()) addPart(0, pending_.size());
    pending_.clear();
    clip_->finish();
  }

  void ended() override { clip_->setState(BrowserClipState::ended); }
  void stop() override { clip_->setState(BrowserClipState::stopped); }
  // The clip is thread-safe; the page is told to stop with the very next screen.
  void stopRequested() override { clip_->setState(BrowserClipState::stopped); }

 private:
  void addPart(std::size_t start, std::size_t count) {
    clip_->addPart(wavBytes(pending_.data() + start, count));
    if (clip_->partCount() == 1) AudioOutput::tellActivity(AudioActivity::clipReady);
  }

  std::shared_ptr<BrowserClip> clip_;
  std::vector<std::int16_t> pending_;
};

}  // namespace

std::unique_ptr<AudioSink> makeBrowserClipSink(const std::optional<std::string>& tab) {
  return std::make_unique<BrowserClipSink>(tab);
}
