#include "support/TestSounds.h"

#include <spawn.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <sys/wait.h>

#include <map>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace {

// Encoder and container for each extension; m4r is an AAC file in the iPod
// flavour of MP4, as ringtones are.
const std::map<std::string, std::vector<std::string>>& formatArguments() {
  static const std::map<std::string, std::vector<std::string>> arguments{
      {".m4r", {"-c:a", "aac", "-b:a", "96k", "-f", "ipod"}},
      {".m4a", {"-c:a", "aac", "-b:a", "96k", "-f", "ipod"}},
      {".caf", {"-c:a", "pcm_s16be", "-f", "caf"}},
      {".mp3", {"-c:a", "libmp3lame", "-b:a", "96k", "-f", "mp3"}},
      {".wav", {"-c:a", "pcm_s16le", "-f", "wav"}},
      {".aiff", {"-c:a", "pcm_s16be", "-f", "aiff"}},
      {".ogg", {"-c:a", "libvorbis", "-f", "ogg"}},
  };
  return arguments;
}

}  // namespace

void makeTestSound(const std::filesystem::path& file, double seconds, int frequency) {
  auto format = formatArguments().find(file.extension().string());
  if (format == formatArguments().end()) throw std::runtime_error("no test sound format for " + file.string());
  std::filesystem::create_directories(file.parent_path());
  std::vector<std::string> arguments{"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                     "sine=frequency=" + std::to_string(frequency) +
                                         ":sample_rate=44100:duration=" + std::to_string(seconds)};
  arguments.insert(arguments.end(), format->second.begin(), format->second.end());
  arguments.push_back(file.string());
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("the ffmpeg command is needed to make test sounds (scripts/setup --test)");
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("ffmpeg failed to make " + file.string());
}

std::string manifestPointingAt(Manifest kind, const std::string& url) {
  if (kind == Manifest::hls) return "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:1.0,\n" + url + "\n#EXT-X-ENDLIST\n";
  return R"(<?xml version="1.0"?><MPD xmlns="urn:mpeg:dash:schema:mpd:2011" type="static"
 profiles="urn:mpeg:dash:profile:isoff-on-demand:2011" mediaPresentationDuration="PT1S" minBufferTime="PT1S">
 <Period><AdaptationSet mimeType="audio/mp4"><Representation id="a" bandwidth="96000" codecs="mp4a.40.2">
 <BaseURL>)" + url + "</BaseURL></Representation></AdaptationSet></Period></MPD>\n";
}

OutsideSound::OutsideSound(const std::filesystem::path& deviceRoot)
    : path_(deviceRoot.string() + "-outside.m4a"), watch_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  makeTestSound(path_, 0.5);
  inotify_add_watch(watch_, path_.c_str(), IN_OPEN);
}

OutsideSound::~OutsideSound() {
  close(watch_);
  std::filesystem::remove(path_);
}

bool OutsideSound::opened() const {
  alignas(inotify_event) char events[4096];
  return read(watch_, events, sizeof events) > 0;
}
