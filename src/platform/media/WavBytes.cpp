#include "media/WavBytes.h"

#include "media/AudioOutput.h"

namespace {

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

}  // namespace

std::string wavBytes(const std::int16_t* samples, std::size_t sampleCount) {
  constexpr std::uint32_t kBytesPerSample = 2;
  const auto dataBytes = static_cast<std::uint32_t>(sampleCount * kBytesPerSample);
  std::string out;
  out.reserve(44 + dataBytes);
  out += "RIFF";
  putLittleEndian(out, 36 + dataBytes, 4);
  out += "WAVEfmt ";
  putLittleEndian(out, 16, 4);  // the format chunk's size
  putLittleEndian(out, 1, 2);   // PCM
  putLittleEndian(out, AudioOutput::kChannels, 2);
  putLittleEndian(out, AudioOutput::kSampleRate, 4);
  putLittleEndian(out, AudioOutput::kSampleRate * AudioOutput::kChannels * kBytesPerSample, 4);
  putLittleEndian(out, AudioOutput::kChannels * kBytesPerSample, 2);
  putLittleEndian(out, 8 * kBytesPerSample, 2);
  out += "data";
  putLittleEndian(out, dataBytes, 4);
  for (std::size_t i = 0; i < sampleCount; ++i) putLittleEndian(out, static_cast<std::uint16_t>(samples[i]), 2);
  return out;
}
