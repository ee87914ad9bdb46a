#include "media/AVAudioPlayer.h"

#include "media/AudioDecoder.h"
#include "media/AudioOutput.h"
#include "media/AudioSink.h"
#include "media/PlaybackSession.h"

namespace {

const std::string NSOSStatusErrorDomain = "NSOSStatusErrorDomain";
// Core Audio's status codes for what AVAudioPlayer refuses: a file it cannot
// open ('wht?'), and content that is not a sound it plays ('typ?').
constexpr long kAudioFileUnspecifiedError = 2003334207;
constexpr long kAudioFileUnsupportedFileTypeError = 1954115647;

void setError(std::shared_ptr<NSError>* error, long code, const std::string& description) {
  if (error) *error = std::make_shared<NSError>(NSOSStatusErrorDomain, code, description);
}

}  // namespace

AVAudioPlayer::~AVAudioPlayer() {
  if (session_) session_->stop();
}

std::shared_ptr<AVAudioPlayer> AVAudioPlayer::initWithContentsOfURL(const std::shared_ptr<NSURL>& url,
                                                                   std::shared_ptr<NSError>* error) {
  if (!url || !url->isFileURL()) {
    setError(error, kAudioFileUnspecifiedError, "Only a file URL can be played");
    return nullptr;
  }
  const std::string path = url->path();
  std::string why;
  auto source = AudioSource::openDeviceFile(path, &why);
  if (!source) {
    setError(error, kAudioFileUnspecifiedError, "The file " + path + " cannot be opened: " + why);
    return nullptr;
  }
  return std::make_shared<AVAudioPlayer>(std::move(source));
}

std::shared_ptr<AVAudioPlayer> AVAudioPlayer::initWithData(const std::shared_ptr<NSData>& data,
                                                          std::shared_ptr<NSError>* error) {
  if (!data) {
    setError(error, kAudioFileUnspecifiedError, "No data to play");
    return nullptr;
  }
  auto source = AudioSource::withBytes(std::make_shared<const std::vector<std::uint8_t>>(data->bytes()));
  std::string why;
  if (!AudioDecoder::open(source, &why)) {
    setError(error, kAudioFileUnsupportedFileTypeError, "The data is not a sound that plays: " + why);
    return nullptr;
  }
  return std::make_shared<AVAudioPlayer>(std::move(source));
}

void AVAudioPlayer::play() {
  if (session_) session_->stop();
  session_ = PlaybackSession::start(source_, makeAudioSink(AudioOutput::mode(), AudioOutput::actingTab()));
}

void AVAudioPlayer::stop() {
  if (session_) session_->stop();
}

bool AVAudioPlayer::isPlaying() const { return session_ && session_->isPlaying(); }
