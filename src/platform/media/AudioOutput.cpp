#include "media/AudioOutput.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace {
// Set by the host before any preview plays; read by the player.
std::atomic<AudioOutputMode> currentMode{AudioOutputMode::silent};

// Held shared while the listener runs and exclusively to replace it, so that
// once it is replaced no call of the old one is still running on a decoding
// thread (a listener's captures may go right after).
std::shared_mutex listenerMutex;
AudioOutput::ActivityListener activityListener;

std::optional<std::string> currentActingTab;  // main thread only
}  // namespace

AudioOutputMode AudioOutput::mode() { return currentMode.load(); }

void AudioOutput::setMode(AudioOutputMode mode) { currentMode.store(mode); }

std::optional<AudioOutputMode> AudioOutput::modeNamed(std::string_view name) {
  if (name == "browser") return AudioOutputMode::browser;
  if (name == "device" || name == "auto") return AudioOutputMode::device;
  if (name == "none") return AudioOutputMode::silent;
  return std::nullopt;
}

std::string AudioOutput::nameOf(AudioOutputMode mode) {
  switch (mode) {
    case AudioOutputMode::browser:
      return "browser";
    case AudioOutputMode::device:
      return "device";
    case AudioOutputMode::silent:
      break;
  }
  return "none";
}

void AudioOutput::setActivityListener(ActivityListener listener) {
  std::unique_lock guard(listenerMutex);
  activityListener = std::move(listener);
}

void AudioOutput::tellActivity(AudioActivity activity) {
  std::shared_lock guard(listenerMutex);
  if (activityListener) activityListener(activity);
}

void AudioOutput::setActingTab(std::optional<std::string> tab) { currentActingTab = std::move(tab); }

std::optional<std::string> AudioOutput::actingTab() { return currentActingTab; }
