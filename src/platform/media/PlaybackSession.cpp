#include "media/PlaybackSession.h"

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/NSLog.h"

using Clock = std::chrono::steady_clock;

namespace {

// The first piece is small, so the output has something within a few
// milliseconds of the tap; later ones are larger and fewer.
constexpr std::size_t kFirstPieceFrames = 1024;
constexpr std::size_t kPieceFrames = 4096;
// How long the process's end waits for the threads it stopped: a decode
// ends at its next read, within milliseconds, unless that read hangs.
constexpr auto kEndingGrace = std::chrono::milliseconds(500);

Clock::duration framesToDuration(std::size_t frames) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(frames) / AudioOutput::kSampleRate));
}

}  // namespace

// The threads of every session, joined as soon as a new one starts after
// they ended, and at the latest when the process ends (stopped first).
class PlaybackThreads {
 public:
  static PlaybackThreads& shared() {
    static PlaybackThreads threads;
    return threads;
  }

  void launch(const std::shared_ptr<PlaybackSession>& session) {
    std::lock_guard guard(mutex_);
    std::erase_if(running_, [](Running& entry) {
      if (!entry.session->finished()) return false;
      entry.thread.join();
      return true;
    });
    running_.push_back({session, std::thread([session] { session->run(); })});
  }

  ~PlaybackThreads() {
    std::lock_guard guard(mutex_);
    for (auto& entry : running_) entry.session->stop();
    const Clock::time_point deadline = Clock::now() + kEndingGrace;
    for (auto& entry : running_) {
      if (entry.session->waitUntilFinished(deadline)) {
        entry.thread.join();
      } else {
        entry.thread.detach();  // held in a read; the process's end takes it
      }
    }
  }

 private:
  struct Running {
    std::shared_ptr<PlaybackSession> session;
    std::thread thread;
  };
  std::mutex mutex_;
  std::vector<Running> running_;
};

PlaybackSession::PlaybackSession(std::shared_ptr<const AudioSource> source, std::unique_ptr<AudioSink> sink)
    : source_(std::move(source)), sink_(std::move(sink)) {}

PlaybackSession::~PlaybackSession() = default;

std::shared_ptr<PlaybackSession> PlaybackSession::start(std::shared_ptr<const AudioSource> source,
                                                        std::unique_ptr<AudioSink> sink) {
  std::shared_ptr<PlaybackSession> session(new PlaybackSession(std::move(source), std::move(sink)));
  PlaybackThreads::shared().launch(session);
  return session;
}

void PlaybackSession::stop() {
  playing_.store(false);
  decoderStop_.store(true);
  sink_->stopRequested();
  {
    std::lock_guard guard(mutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
}

bool PlaybackSession::stopRequested() {
  std::lock_guard guard(mutex_);
  return stopRequested_;
}

template <class TimePoint>
bool PlaybackSession::waitUntilStopped(TimePoint deadline) {
  std::unique_lock lock(mutex_);
  return wake_.wait_until(lock, deadline, [this] { return stopRequested_; });
}

template <class TimePoint>
bool PlaybackSession::waitUntilFinished(TimePoint deadline) {
  std::unique_lock lock(mutex_);
  return wake_.wait_until(lock, deadline, [this] { return finished_.load(); });
}

void PlaybackSession::run() {
  std::string why;
  decoder_ = AudioDecoder::open(source_, &why, &decoderStop_);
  if (!decoder_ && !decoderStop_.load()) NSLog("Sound preview: the sound does not play (%@)", why);
  Clock::time_point firstHanded{};
  bool handed = false;
  bool decoded = !decoder_;
  std::size_t producedFrames = 0;
  std::vector<std::int16_t> piece;
  bool stopped = false;
  while (!(stopped = stopRequested())) {
    const Clock::time_point now = Clock::now();
    // How far what was handed over runs ahead of what has been heard.
    const Clock::duration ahead = handed ? framesToDuration(producedFrames) - (now - firstHanded) : Clock::duration{};
    if (!decoded && ahead < sink_->lead()) {
      piece.clear();
      if (decoder_->read(piece, handed ? kPieceFrames : kFirstPieceFrames) == 0) {
        decoded = true;
        sink_->finish();
        continue;
      }
      sink_->write(piece);
      producedFrames += piece.size() / AudioOutput::kChannels;
      if (!handed) {
        handed = true;
        firstHanded = now;
        AudioOutput::tellActivity(AudioActivity::firstFrameHanded);
      }
      continue;
    }
    if (decoded && ahead <= Clock::duration{}) break;
    const Clock::duration sleep = decoded ? ahead : ahead - sink_->lead() + framesToDuration(kPieceFrames) / 2;
    if ((stopped = waitUntilStopped(now + sleep))) break;
  }
  playing_.store(false);
  if (stopped) {
    sink_->stop();
    AudioOutput::tellActivity(AudioActivity::stopped);
  } else {
    sink_->ended();
    AudioOutput::tellActivity(AudioActivity::ended);
  }
  {
    std::lock_guard guard(mutex_);
    finished_.store(true);
  }
  wake_.notify_all();
}
