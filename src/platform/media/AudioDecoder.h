#pragma once
// Decodes one sound with FFmpeg's libraries into the output format
// (AudioOutput::kSampleRate, kChannels, signed 16-bit interleaved), in
// pieces, from the beginning. A decoder is used by one thread at a time; it
// may be made on one thread and handed to another.
//
// The source is an open file of the device (read through its descriptor, so
// the path is resolved once, inside the device root) or bytes in memory;
// sources are shared, so each play of a sound can decode it anew.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class AudioSource {
 public:
  // The file at a device path; none (and why) when it cannot be opened as a
  // regular file. A FIFO or device node is refused without blocking.
  static std::shared_ptr<const AudioSource> openDeviceFile(const std::string& devicePath, std::string* why);
  static std::shared_ptr<const AudioSource> withBytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes);
  ~AudioSource();
  AudioSource(const AudioSource&) = delete;
  AudioSource& operator=(const AudioSource&) = delete;

  std::int64_t size() const;
  // Reads up to `length` bytes at `offset`; 0 at the end, -1 on an error.
  long readAt(std::int64_t offset, std::uint8_t* buffer, std::size_t length) const;
  // The file name, a hint for recognising the container; empty for bytes.
  const std::string& nameHint() const { return nameHint_; }

 private:
  AudioSource() = default;
  int fd_ = -1;
  std::int64_t size_ = 0;
  std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
  std::string nameHint_;
};

class AudioDecoder {
 public:
  // A decoder positioned at the start, once the source has shown itself to be
  // audio: a container a ringtone comes in, an audio stream with an audio
  // decoder, at a sample rate and channel count a ringtone has, and a first
  // piece of audio that decodes. None (and why) otherwise.
  //
  // Sound files are hostile input: nothing but the source is ever opened
  // (no URL or file a manifest names); the header and first frame may read
  // only a few MiB and take at most a second; later reads take a few MiB per
  // packet, and frames are capped, so one decoder's memory stays small
  // whatever the file states. Once `stop` (when given) is set, from any
  // thread, the open or a read ends at the source's next read.
  static std::unique_ptr<AudioDecoder> open(std::shared_ptr<const AudioSource> source, std::string* why,
                                            const std::atomic<bool>* stop = nullptr);
  ~AudioDecoder();
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;

  // Appends up to `frames` frames (one sample per channel each) to `out`;
  // returns how many, 0 once the sound is over. A file cut short ends where
  // its audio ends; a damaged packet is skipped.
  std::size_t read(std::vector<std::int16_t>& out, std::size_t frames);

 private:
  struct FFmpeg;
  AudioDecoder();
  bool openContainer(std::string* why);
  bool openAudioDecoder(std::string* why);
  bool decodeFirstFrame(std::string* why);
  bool nextFrame();  // the next decoded frame into the FFmpeg frame; false at the end
  void convertFrame();
  void flushConverter();

  std::unique_ptr<FFmpeg> ff_;
  std::shared_ptr<const AudioSource> source_;
  std::vector<std::int16_t> pending_;  // converted samples not yet read
  std::size_t pendingStart_ = 0;
  bool frameWaiting_ = false;  // a decoded frame not yet converted
  bool ended_ = false;
};
