#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/NSURL.h"
#include "media/AVAudioPlayer.h"
#include "media/AudioDecoder.h"
#include "media/AudioOutput.h"
#include "media/BrowserClip.h"
#include "support/ChimewellTest.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSounds.h"

using ::testing::HasSubstr;

namespace {

constexpr const char* kFolder = "/var/jb/Library/Application Support/Chimewell/";

// Records what the output reports, so a test can wait for the decoding thread.
class ActivityLog {
 public:
  ActivityLog() {
    AudioOutput::setActivityListener([this](AudioActivity activity) {
      {
        std::lock_guard guard(mutex_);
        seen_.push_back(activity);
      }
      changed_.notify_all();
    });
  }
  ~ActivityLog() { AudioOutput::setActivityListener({}); }

  bool waitFor(AudioActivity activity, std::size_t count = 1) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return std::ranges::count(seen_, activity) >= static_cast<long>(count); });
  }
  std::vector<AudioActivity> seen() {
    std::lock_guard guard(mutex_);
    return seen_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<AudioActivity> seen_;
};

class MediaTest : public ChimewellTest {
 protected:
  void TearDown() override {
    AudioOutput::setMode(AudioOutputMode::silent);
    AudioOutput::setActingTab(std::nullopt);
    ChimewellTest::TearDown();
  }

  std::string soundPath(const std::string& name) const { return kFolder + name; }
  std::filesystem::path hostSound(const std::string& name) const { return hostPathFor(soundPath(name)); }
  std::string makeSound(const std::string& name, double seconds) {
    makeTestSound(hostSound(name), seconds);
    return soundPath(name);
  }
  std::shared_ptr<AVAudioPlayer> playerFor(const std::string& devicePath, std::shared_ptr<NSError>* error = nullptr) {
    return AVAudioPlayer::initWithContentsOfURL(NSURL::fileURLWithPath(devicePath), error);
  }
  std::shared_ptr<AVAudioPlayer> playerForBytes(const std::string& bytes, std::shared_ptr<NSError>* error = nullptr) {
    return AVAudioPlayer::initWithData(std::make_shared<NSData>(std::vector<std::uint8_t>(bytes.begin(), bytes.end())),
                                       error);
  }

  // Every sample of the sound, decoded; none when it does not open.
  std::optional<std::vector<std::int16_t>> decodeAll(const std::string& devicePath) {
    std::string why;
    auto decoder = AudioDecoder::open(AudioSource::openDeviceFile(devicePath, &why), &why);
    if (!decoder) return std::nullopt;
    std::vector<std::int16_t> samples;
    while (decoder->read(samples, 4096) > 0) {
    }
    return samples;
  }
};

double secondsOf(const std::vector<std::int16_t>& samples) {
  return static_cast<double>(samples.size()) / AudioOutput::kChannels / AudioOutput::kSampleRate;
}

int loudest(const std::vector<std::int16_t>& samples) {
  int peak = 0;
  for (auto sample : samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
  return peak;
}

TEST_F(MediaTest, EveryFormatADeviceKeepsDecodesWholeToTheOutputFormatAndACutFilePlaysWhatIsThere) {
  for (const std::string extension : {"m4r", "m4a", "caf", "mp3", "wav", "aiff", "ogg"}) {
    SCOPED_TRACE(extension);
    const auto samples = decodeAll(makeSound("tone." + extension, 0.5));
    ASSERT_TRUE(samples.has_value());
    // Encoders add a little padding; nothing is lost.
    EXPECT_NEAR(secondsOf(*samples), 0.5, 0.06);
    EXPECT_GT(loudest(*samples), 1500);  // a tone, not silence
  }
  for (const std::string name : {"tone.wav", "tone.mp3"}) {
    SCOPED_TRACE(name);
    const std::string bytes = readHostFile(hostSound(name));
    writeHostFile(hostSound("cut-" + name), bytes.substr(0, bytes.size() / 2));
    const auto samples = decodeAll(soundPath("cut-" + name));
    ASSERT_TRUE(samples.has_value());
    EXPECT_NEAR(secondsOf(*samples), 0.25, 0.06);
  }
}

// The WAV with its header's channel count and sample rate replaced.
std::string wavStating(std::string wav, std::uint16_t channels, std::uint32_t rate) {
  wav.replace(22, 2, reinterpret_cast<const char*>(&channels), 2);
  wav.replace(24, 4, reinterpret_cast<const char*>(&rate), 4);
  return wav;
}

// Garbage in general is the decoder fuzz target's; these are the refusals
// that are ours: a header stating what a ringtone never is, and manifests
// that would have FFmpeg fetch or open media elsewhere.
TEST_F(MediaTest, WhatIsNotAudioGivesNoPlayerFromAFileOrFromBytes) {
  makeSound("good.wav", 0.3);
  makeSound("good.aiff", 0.3);
  const std::string wav = readHostFile(hostSound("good.wav"));
  std::string brokenAiff = readHostFile(hostSound("good.aiff"));
  brokenAiff.replace(brokenAiff.find("COMM") + 8, 18, std::string(18, '\0'));  // no channels, no rate
  std::map<std::string, std::string> notAudio{
      {"header-only.wav", wav.substr(0, 44)},
      {"no-comm.aiff", brokenAiff},
      {"1hz.wav", wavStating(wav, 1, 1)},  // would be resampled into gigabytes
      {"7999hz.wav", wavStating(wav, 1, 7999)},
      {"384001hz.wav", wavStating(wav, 1, 384001)},
      {"9-channels.wav", wavStating(wav, 9, 44100)},
  };
  LoopbackHttpServer server;
  const OutsideSound outside(deviceRootPath());
  server.serve("/tone.wav", wav, "audio/wav");
  for (const std::string& url : {server.url("/tone.wav"), outside.url()}) {
    notAudio.emplace("dash" + std::to_string(notAudio.size()) + ".m4r", manifestPointingAt(Manifest::dash, url));
    notAudio.emplace("hls" + std::to_string(notAudio.size()) + ".m3u8", manifestPointingAt(Manifest::hls, url));
    notAudio.emplace("hls" + std::to_string(notAudio.size()) + ".m4r", manifestPointingAt(Manifest::hls, url));
  }
  for (const auto& [name, bytes] : notAudio) {
    SCOPED_TRACE(name);
    writeHostFile(hostSound(name), bytes);
    EXPECT_EQ(decodeAll(soundPath(name)), std::nullopt);  // what a play of the file opens
    std::shared_ptr<NSError> error;
    EXPECT_EQ(playerForBytes(bytes, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_THAT(error->localizedDescription(), HasSubstr("is not a sound that plays"));
  }
  EXPECT_EQ(server.totalRequests(), 0);
  EXPECT_FALSE(outside.opened());
  // The limits themselves are a ringtone's.
  EXPECT_NE(playerForBytes(wavStating(wav, 8, 8000)), nullptr);
  EXPECT_NE(playerForBytes(wavStating(wav, 1, 384000)), nullptr);
}

TEST_F(MediaTest, WhatCannotBeOpenedGivesNoPlayerAndSaysWhy) {
  makeFolderAt(soundPath("folder.wav"));
  ASSERT_EQ(mkfifo(hostSound("pipe.wav").c_str(), 0600), 0);  // opening it for reading would wait
  for (const std::string name : {"missing.wav", "folder.wav", "pipe.wav"}) {
    SCOPED_TRACE(name);
    std::shared_ptr<NSError> error;
    EXPECT_EQ(playerFor(soundPath(name), &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_THAT(error->localizedDescription(), HasSubstr("cannot be opened"));
  }
  EXPECT_EQ(AVAudioPlayer::initWithContentsOfURL(NSURL::URLWithString("https://example.com/a.wav")), nullptr);
}

TEST_F(MediaTest, PlayStartsAndRestartsStopEndsAtOnceAndASilentPlayEndsByItself) {
  EXPECT_EQ(AudioOutput::mode(), AudioOutputMode::silent);  // tests hear nothing
  ActivityLog activity;
  auto player = playerFor(makeSound("long.m4r", 20));
  ASSERT_NE(player, nullptr);
  player->stop();  // before any play: nothing happens
  player->play();
  EXPECT_TRUE(player->isPlaying());
  ASSERT_TRUE(activity.waitFor(AudioActivity::firstFrameHanded));
  player->play();  // restarts: the running play is stopped
  ASSERT_TRUE(activity.waitFor(AudioActivity::stopped));
  EXPECT_TRUE(player->isPlaying());
  player->stop();
  EXPECT_FALSE(player->isPlaying());  // without waiting for the thread
  ASSERT_TRUE(activity.waitFor(AudioActivity::stopped, 2));

  // The restarted play may have been stopped before its first frame: count from here.
  auto handed = [&activity] { return std::ranges::count(activity.seen(), AudioActivity::firstFrameHanded); };
  const auto handedBefore = handed();
  player = playerFor(makeSound("short.wav", 0.2));
  player->play();
  ASSERT_TRUE(activity.waitFor(AudioActivity::ended));
  EXPECT_FALSE(player->isPlaying());
  // A file that is not audio gets a player all the same; its play hands nothing and says why.
  writeHostFile(hostSound("ReadMe.m4r"), "Drop your sounds in this folder.\n");
  player = playerFor(soundPath("ReadMe.m4r"));
  ASSERT_NE(player, nullptr);
  player->play();
  ASSERT_TRUE(activity.waitFor(AudioActivity::ended, 2));
  EXPECT_EQ(handed(), handedBefore + 1);  // the short sound's, none of the text's
  EXPECT_THAT(logMessages(), ::testing::ElementsAre(HasSubstr("Sound preview: the sound does not play")));
}

// The host's browser audio suite serves the parts, made near the listener; here how they are made.
TEST_F(MediaTest, TheBrowserGetsTheClipInHalfSecondPartsAndItEndsOrStops) {
  AudioOutput::setMode(AudioOutputMode::browser);
  ActivityLog activity;
  auto player = playerForBytes(readHostFile((makeSound("short.wav", 0.7), hostSound("short.wav"))));
  ASSERT_NE(player, nullptr);
  AudioOutput::setActingTab("tab-1");
  player->play();
  AudioOutput::setActingTab(std::nullopt);
  auto clip = BrowserClip::current();
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->tab(), "tab-1");
  std::string first, second, none;
  ASSERT_EQ(clip->part(0, std::chrono::seconds(10), first), BrowserClipPart::ready);
  ASSERT_EQ(clip->part(1, std::chrono::seconds(10), second), BrowserClipPart::ready);
  EXPECT_EQ(clip->part(2, std::chrono::seconds(10), none), BrowserClipPart::none);
  ASSERT_EQ(first.size(), 44u + AudioOutput::kSampleRate / 2 * AudioOutput::kChannels * 2);
  EXPECT_EQ(first.substr(0, 4), "RIFF");
  EXPECT_NEAR((first.size() + second.size() - 88) / 4.0 / AudioOutput::kSampleRate, 0.7, 0.01);
  ASSERT_TRUE(activity.waitFor(AudioActivity::ended));
  EXPECT_EQ(clip->state(), BrowserClipState::ended);
  EXPECT_FALSE(player->isPlaying());
  player = playerFor(makeSound("long.m4a", 20));
  player->play();
  clip = BrowserClip::current();
  player->stop();
  EXPECT_EQ(clip->state(), BrowserClipState::stopped);  // told at once, not when the thread gets to it
  player->play();  // each play is a new clip
  EXPECT_NE(BrowserClip::current(), clip);
}

TEST_F(MediaTest, TheDeviceOutputPlaysOnSdlOrSilentlyWithoutACard) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);  // a card of SDL's own, so no machine's sound is needed
  // "auto" is the device's old name for it.
  ASSERT_EQ(AudioOutput::modeNamed("auto"), AudioOutputMode::device);
  AudioOutput::setMode(AudioOutputMode::device);
  ActivityLog activity;
  auto player = playerFor(makeSound("long.mp3", 20));
  player->play();
  ASSERT_TRUE(activity.waitFor(AudioActivity::firstFrameHanded));
  player->stop();
  ASSERT_TRUE(activity.waitFor(AudioActivity::stopped));
  EXPECT_THAT(logMessages(), ::testing::IsEmpty());
}

}  // namespace

// A sound whose first seconds are broken packets is given up on after a few
// of them, rather than read on in search of one that decodes.
TEST_F(MediaTest, ASoundThatBeginsWithManyBrokenPacketsIsRefused) {
  makeSound("broken.m4r", 12);
  std::string bytes = readHostFile(hostSound("broken.m4r"));
  const auto data = bytes.find("mdat");
  ASSERT_NE(data, std::string::npos);
  bytes.replace(data + 8, 64 * 1024, std::string(64 * 1024, '\xff'));
  writeHostFile(hostSound("broken.m4r"), bytes);
  EXPECT_EQ(decodeAll(soundPath("broken.m4r")), std::nullopt);
}
