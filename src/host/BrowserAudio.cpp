#include "host/BrowserAudio.h"

#include "media/AudioOutput.h"
#include "media/BrowserClip.h"

std::optional<ScreenAudio> currentScreenAudio() {
  if (AudioOutput::mode() != AudioOutputMode::browser) return std::nullopt;
  auto clip = BrowserClip::current();
  if (!clip) return std::nullopt;
  ScreenAudioState state = ScreenAudioState::playing;
  switch (clip->state()) {
    case BrowserClipState::playing:
      break;
    case BrowserClipState::stopped:
      state = ScreenAudioState::stopped;
      break;
    case BrowserClipState::ended:
      state = ScreenAudioState::ended;
      break;
  }
  return ScreenAudio{clip->id(), clip->tab(), state};
}

ClipPartAnswer clipPart(const std::string& id, std::size_t index) {
  auto clip = BrowserClip::withId(id);
  if (!clip) return {};
  ClipPartAnswer answer;
  switch (clip->part(index, std::chrono::milliseconds(0), answer.wav)) {
    case BrowserClipPart::ready:
      answer.status = 200;
      break;
    case BrowserClipPart::later:
      answer.status = 202;
      break;
    case BrowserClipPart::none:
      break;
  }
  return answer;
}
