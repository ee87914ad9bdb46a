#include "media/AudioOutput.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace {
// Set by the host before any preview plays; read by the player.
std::atomic<AudioOutputMode> currentMode{AudioOutputMode::silent};

std::mutex listenerMutex;
// Shared so that a call in progress keeps its copy while another thread replaces it.
std::shared_ptr<const AudioOutput::ActivityListener> activityListener;

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
  std::lock_guard guard(listenerMutex);
  activityListener = listener ? std::make_shared<const ActivityListener>(std::move(listener)) : nullptr;
}

void AudioOutput::tellActivity(AudioActivity activity) {
  std::shared_ptr<const ActivityListener> listener;
  {
    std::lock_guard guard(listenerMutex);
    listener = activityListener;
  }
  if (listener) (*listener)(activity);
}

void AudioOutput::setActingTab(std::optional<std::string> tab) { currentActingTab = std::move(tab); }

std::optional<std::string> AudioOutput::actingTab() { return currentActingTab; }
