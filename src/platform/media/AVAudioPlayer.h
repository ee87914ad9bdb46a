#pragma once
// AVAudioPlayer: the sound preview player. A player exists only for content
// that opens as audio (FFmpeg recognises the container, finds an audio stream
// with a decoder, and its first audio decodes); for anything else the
// initializers give none, and the caller holds a null pointer, on which play
// and stop are simply not sent.
//
// Players are made, played and stopped on the main thread. Opening checks
// the file's header and first frame there; all further decoding and the
// output run on a thread of each play's own, so play and stop never wait for
// audio. Where the sound goes is AudioOutput's mode at the time of play.
#include <memory>

#include "foundation/NSData.h"
#include "foundation/NSError.h"
#include "foundation/NSObject.h"
#include "foundation/NSURL.h"

class AudioDecoder;
class AudioSource;
class PlaybackSession;

class AVAudioPlayer : public NSObject {
 public:
  // [[AVAudioPlayer alloc] initWithContentsOfURL:error:]: a player for a file
  // URL (a device path) that opens as audio, none otherwise (error, when
  // given, says why).
  static std::shared_ptr<AVAudioPlayer> initWithContentsOfURL(
      const std::shared_ptr<NSURL>& url, std::shared_ptr<NSError>* error = nullptr);

  // [[AVAudioPlayer alloc] initWithData:error:]: the same check on bytes in
  // memory (a downloaded ringtone before it is saved).
  static std::shared_ptr<AVAudioPlayer> initWithData(
      const std::shared_ptr<NSData>& data, std::shared_ptr<NSError>* error = nullptr);

  ~AVAudioPlayer() override;

  // Plays once from the beginning; a second play restarts.
  void play();
  // Stops at once.
  void stop();
  // playing: from play until stop, or until the whole sound has been heard.
  bool isPlaying() const;
  // The sound's length in seconds as its file states it; 0 when unknown.
  double duration() const { return duration_; }

  AVAudioPlayer(std::shared_ptr<const AudioSource> source, std::unique_ptr<AudioDecoder> decoder);

 private:
  static std::shared_ptr<AVAudioPlayer> withSource(std::shared_ptr<const AudioSource> source,
                                                   const std::string& what, std::shared_ptr<NSError>* error);

  std::shared_ptr<const AudioSource> source_;
  std::unique_ptr<AudioDecoder> openedDecoder_;  // the one opening checked, kept for the first play
  std::shared_ptr<PlaybackSession> session_;
  double duration_ = 0;
};
