// Any bytes as a sound file, through the decoder's whole open (container,
// stream, decoder, first frame) with its guards in place, then a preview's
// worth of decoding: no crash, leak or hang; a refusal says why; each read
// hands at most what was asked. The guards themselves keep it off the
// network and the file system: nothing but the bytes is read.
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
