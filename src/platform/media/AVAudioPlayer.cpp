#include "AVAudioPlayer.h"

// Placeholder until decoding lands: nothing opens as audio yet.
std::shared_ptr<AVAudioPlayer> AVAudioPlayer::initWithContentsOfURL(
    const std::shared_ptr<NSURL>&, std::shared_ptr<NSError>*) {
  return nullptr;
}

std::shared_ptr<AVAudioPlayer> AVAudioPlayer::initWithData(const std::shared_ptr<NSData>&,
                                                           std::shared_ptr<NSError>*) {
  return nullptr;
}
