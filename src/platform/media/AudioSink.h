#pragma once
// Where one preview's decoded audio goes: nowhere, the SDL2 device, or a
// browser clip. A sink is made on the main thread when play starts and then
// used only by that preview's decoding thread. Samples are in the output
// format (AudioOutput::kSampleRate, kChannels, 16-bit interleaved).
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/AudioOutput.h"

class AudioSink {
 public:
  virtual ~AudioSink() = default;
  // How far decoding may run ahead of what has been heard.
  virtual std::chrono::milliseconds lead() const = 0;
  virtual void write(const std::vector<std::int16_t>& samples) = 0;
  // Nothing more comes; what was written plays to its end.
  virtual void finish() {}
  // The whole sound has been heard.
  virtual void ended() {}
  // End at once.
  virtual void stop() {}
  // Any thread, as stop is asked for: what must show at once, before the
  // decoding thread gets to stop().
  virtual void stopRequested() {}
};

// The sink for the output mode; a browser clip is made at once and plays in
// `tab` (none: any tab).
std::unique_ptr<AudioSink> makeAudioSink(AudioOutputMode mode, const std::optional<std::string>& tab);
std::unique_ptr<AudioSink> makeDeviceSink();
std::unique_ptr<AudioSink> makeBrowserClipSink(const std::optional<std::string>& tab);
