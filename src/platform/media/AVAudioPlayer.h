#pragma once
// AVAudioPlayer: the sound preview player. Players are made, played and
// stopped on the main thread, which never decodes for them: a file's player
// is made for any regular file, and each play opens and decodes it on a
// thread of its own (AudioDecoder), so a tap is answered at once whatever the
// file holds. A file that turns out not to be audio plays nothing and logs
// why; nothing else reads the player. Bytes in memory (a downloaded ringtone
// before it is saved) are checked at once, as the import needs the answer:
// their player exists only when they open as audio.
//
// Play and stop never wait for audio. Where the sound goes is AudioOutput's
// mode at the time of play.
#include <memory>

#include "foundation/NSData.h"
#include "foundation/NSError.h"
#include "foundation/NSObject.h"
#include "foundation/NSURL.h"

class AudioSource;
class PlaybackSession;

class AVAudioPlayer : public NSObject {
 public:
  // [[AVAudioPlayer alloc] initWithContentsOfURL:error:]: a player for a file
  // URL (a device path) of a regular file, none otherwise (error, when given,
  // says why). Whether it is audio shows when it plays.
  static std::shared_ptr<AVAudioPlayer> initWithContentsOfURL(
      const std::shared_ptr<NSURL>& url, std::shared_ptr<NSError>* error = nullptr);

  // [[AVAudioPlayer alloc] initWithData:error:]: a player for bytes in
  // memory that open as audio (the decoder's whole check, on the caller's
  // thread, bounded in bytes and time), none otherwise.
  static std::shared_ptr<AVAudioPlayer> initWithData(
      const std::shared_ptr<NSData>& data, std::shared_ptr<NSError>* error = nullptr);

  ~AVAudioPlayer() override;

  // Plays once from the beginning; a second play restarts.
  void play();
  // Stops at once.
  void stop();
  // playing: from play until stop, or until the whole sound has been heard.
  bool isPlaying() const;

  explicit AVAudioPlayer(std::shared_ptr<const AudioSource> source) : source_(std::move(source)) {}

 private:
  std::shared_ptr<const AudioSource> source_;
  std::shared_ptr<PlaybackSession> session_;
};
