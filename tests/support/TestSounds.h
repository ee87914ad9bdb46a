#pragma once
// Small sounds made at test time with the ffmpeg command (a sine tone), in
// the format the file's extension names: m4r, m4a, caf, mp3, wav, aiff, ogg.
// Throws std::runtime_error when ffmpeg is missing or fails.
#include <filesystem>
#include <string>

#include "support/HostFiles.h"

void makeTestSound(const std::filesystem::path& file, double seconds, int frequency = 660);

// What a hostile "ringtone" may hold: a DASH manifest or an HLS playlist
// whose media lie at `url` (a web address, or a file:// path outside the
// device root).
enum class Manifest { dash, hls };
std::string manifestPointingAt(Manifest kind, const std::string& url);

// A sound file beside the device root, outside it, that tells whether
// anything has opened it since it was made; removed with the object.
class OutsideSound {
 public:
  explicit OutsideSound(const std::filesystem::path& deviceRoot);
  ~OutsideSound();
  std::string url() const { return "file://" + path_.string(); }
  bool opened() const;

 private:
  std::filesystem::path path_;
  int watch_ = -1;
};
