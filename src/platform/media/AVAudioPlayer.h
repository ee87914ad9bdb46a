#pragma once
// AVAudioPlayer: the sound preview player. A player exists only for content
// that opens as audio; for anything else the initializers give none, and the
// caller holds a null pointer, on which play and stop are simply not sent.
// Players are made, played and stopped on the main thread; decoding and
// output run elsewhere, so the main thread never waits for audio.
#include <memory>

#include "foundation/NSData.h"
#include "foundation/NSError.h"
#include "foundation/NSObject.h"
#include "foundation/NSURL.h"

class AVAudioPlayer : public NSObject {
 public:
  // [[AVAudioPlayer alloc] initWithContentsOfURL:error:]: a player for a file
  // URL that opens as audio, none otherwise (error, when given, says why).
  static std::shared_ptr<AVAudioPlayer> initWithContentsOfURL(
      const std::shared_ptr<NSURL>& url, std::shared_ptr<NSError>* error = nullptr);

  // [[AVAudioPlayer alloc] initWithData:error:]: the same check on bytes in
  // memory (a downloaded ringtone before it is saved).
  static std::shared_ptr<AVAudioPlayer> initWithData(
      const std::shared_ptr<NSData>& data, std::shared_ptr<NSError>* error = nullptr);

  // Plays once from the beginning; a second play restarts.
  virtual void play() = 0;
  // Stops at once.
  virtual void stop() = 0;
};
