#include "media/AudioOutput.h"

#include <atomic>

namespace {
// Set once by the host before any preview plays; read by the player.
std::atomic<AudioOutputMode> currentMode{AudioOutputMode::automatic};
}  // namespace

AudioOutputMode AudioOutput::mode() { return currentMode.load(); }

void AudioOutput::setMode(AudioOutputMode mode) { currentMode.store(mode); }

std::optional<AudioOutputMode> AudioOutput::modeNamed(std::string_view name) {
  if (name == "auto") return AudioOutputMode::automatic;
  if (name == "none") return AudioOutputMode::silent;
  return std::nullopt;
}

std::string AudioOutput::nameOf(AudioOutputMode mode) {
  return mode == AudioOutputMode::silent ? "none" : "auto";
}

std::optional<std::string> AudioOutput::sdlDriverName() {
  if (mode() == AudioOutputMode::silent) return "dummy";
  return std::nullopt;
}
