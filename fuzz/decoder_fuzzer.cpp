// Any bytes as a sound file (fuzz/README.md): the whole open, then a preview's
// worth of decoding; a refusal says why, a read hands at most what was asked.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "media/AudioDecoder.h"
#include "media/AudioOutput.h"

namespace {
constexpr std::size_t kPieceFrames = 4096;
constexpr std::size_t kPreviewFrames = 3 * AudioOutput::kSampleRate;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto bytes = std::make_shared<const std::vector<std::uint8_t>>(data, data + size);
  std::string why;
  auto decoder = AudioDecoder::open(AudioSource::withBytes(std::move(bytes)), &why);
  if (!decoder) {
    if (why.empty()) std::abort();
    return 0;
  }
  std::vector<std::int16_t> samples;
  for (std::size_t frames = 0; frames < kPreviewFrames;) {
    const std::size_t got = decoder->read(samples, kPieceFrames);
    if (got == 0) break;
    frames += got;
    if (got > kPieceFrames || samples.size() != frames * AudioOutput::kChannels) std::abort();
  }
  return 0;
}
