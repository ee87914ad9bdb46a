#pragma once
// One play of a sound, from its beginning: a thread of its own decodes it
// and hands it to the sink no faster than it is heard (plus the sink's lead),
// so a stop never has much to throw away. Started and stopped from the main
// thread, which never waits for it: stop only asks, and the thread ends the
// sound at once. Every thread is joined by the time the process ends.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "media/AudioDecoder.h"
#include "media/AudioSink.h"

class PlaybackSession {
 public:
  // Plays `decoder` if given (already opened), else the source opened anew
  // on the session's thread.
  static std::shared_ptr<PlaybackSession> start(std::unique_ptr<AudioDecoder> decoder,
                                                std::shared_ptr<const AudioSource> source,
                                                std::unique_ptr<AudioSink> sink);
  ~PlaybackSession();

  // Any thread; returns at once.
  void stop();
  // From start until stopped or played to its end.
  bool isPlaying() const { return playing_.load(); }
  bool finished() const { return finished_.load(); }

 private:
  PlaybackSession(std::unique_ptr<AudioDecoder> decoder, std::shared_ptr<const AudioSource> source,
                  std::unique_ptr<AudioSink> sink);
  void run();
  bool stopRequested();
  // Sleeps until `deadline` or a stop; true when stopped.
  template <class TimePoint>
  bool waitUntilStopped(TimePoint deadline);

  std::unique_ptr<AudioDecoder> decoder_;
  std::shared_ptr<const AudioSource> source_;
  std::unique_ptr<AudioSink> sink_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopRequested_ = false;
  std::atomic<bool> playing_{true};
  std::atomic<bool> finished_{false};

  friend class PlaybackThreads;
};
