#pragma once
// One play of a sound, from its beginning: a thread of its own opens and
// decodes it and hands it to the sink no faster than it is heard (plus the
// sink's lead), so a stop never has much to throw away and a preview stopped
// after three seconds has decoded little more. Started and stopped from the
// main thread, which never waits for it: stop only asks, and the thread ends
// the sound at once, a decode in progress at its next read. When the process
// ends, the threads are stopped and joined, except one still held in a read
// the system cannot interrupt (a network mount), which is left behind.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "media/AudioDecoder.h"
#include "media/AudioSink.h"

class PlaybackSession {
 public:
  // Plays the source, opened on the session's thread; a source that is not
  // audio plays nothing, and the log says why.
  static std::shared_ptr<PlaybackSession> start(std::shared_ptr<const AudioSource> source,
                                                std::unique_ptr<AudioSink> sink);
  ~PlaybackSession();

  // Any thread; returns at once.
  void stop();
  // From start until stopped or played to its end.
  bool isPlaying() const { return playing_.load(); }
  bool finished() const { return finished_.load(); }

 private:
  PlaybackSession(std::shared_ptr<const AudioSource> source, std::unique_ptr<AudioSink> sink);
  void run();
  bool stopRequested();
  // Sleeps until `deadline` or a stop; true when stopped.
  template <class TimePoint>
  bool waitUntilStopped(TimePoint deadline);
  // Until the thread has finished or `deadline`; true when it has.
  template <class TimePoint>
  bool waitUntilFinished(TimePoint deadline);

  std::unique_ptr<AudioDecoder> decoder_;
  std::shared_ptr<const AudioSource> source_;
  std::unique_ptr<AudioSink> sink_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopRequested_ = false;
  std::atomic<bool> decoderStop_{false};  // read by the decoder's own reads
  std::atomic<bool> playing_{true};
  std::atomic<bool> finished_{false};

  friend class PlaybackThreads;
};
