#include "media/AudioDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <tuple>

#include "foundation/DeviceRoot.h"
#include "media/AudioOutput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kIoBufferBytes = 32 * 1024;
// A run of packets that do not decode ends the sound (or, before the first
// frame, shows that the bytes are not audio after all).
constexpr int kMaxBadPacketsInARow = 32;

// Sound files are hostile input. FFmpeg reads them only through the
// decoder's own I/O: no nested open of any kind (a DASH manifest or HLS
// playlist would fetch its segments from anywhere, or read files outside
// the device root).
constexpr const char* kNoProtocols = "";
// The containers ringtones come in: MP4 (m4r, m4a), MP3, WAV, AIFF, CAF, and
// Ogg, as ringtone sites offer Android's ogg tones; none of them opens
// another file. (FFmpeg matches "mov" to its "mov,mp4,m4a,..." demuxer.)
constexpr const char* kContainers = "mov,mp3,wav,aiff,caf,ogg";
// Audio decoders for what those containers hold; stream probing would
// otherwise open a decoder of any kind for each stream.
constexpr const char* kAudioDecoders =
    "aac,alac,mp3float,mp3,mp2float,mp2,flac,vorbis,opus,adpcm_ima_qt,adpcm_ima_wav,adpcm_ms,pcm_alaw,pcm_mulaw,"
    "pcm_u8,pcm_s8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s24be,pcm_s32le,pcm_s32be,pcm_f32le,pcm_f32be,pcm_f64le,"
    "pcm_f64be";
// What FFmpeg may read before the first frame decodes: a ringtone's header
// and first packet take a few KiB (an MP3's cover picture up to a MiB or
// two); 512 MiB of zeros named .mp3 would otherwise be searched to its end.
constexpr std::int64_t kMaxBytesBeforeFirstFrame = 2 * 1024 * 1024;
// What the reads for one packet may take after that: a packet and what the
// demuxer skips to find it; bounds a preview's memory whatever sizes the
// file states.
constexpr std::int64_t kMaxBytesPerPacket = 4 * 1024 * 1024;
// The time the header and first frame may take, whatever the file holds.
constexpr auto kFirstFrameDeadline = std::chrono::milliseconds(1000);
// Sample rates, channels and frame sizes that no ringtone has: a WAV
// stating 1 Hz would be resampled into gigabytes.
constexpr int kMinSampleRate = 8000;    // telephone sound
constexpr int kMaxSampleRate = 384000;  // the highest rate studio recorders use
constexpr int kMaxChannels = 8;         // 7.1 surround
// Samples (all channels) in one decoded frame: codecs use up to 4,608 per
// channel (FLAC rarely more), so this bounds a frame and its conversion to
// a few MiB.
constexpr int kMaxFrameSamples = 131072;
// The largest single block FFmpeg may allocate: an MP4's header can state
// index tables of gigabytes in a few bytes, which no read budget sees. A
// ringtone's largest tables and packets stay far below it.
constexpr std::size_t kMaxFfmpegAllocation = 32 * 1024 * 1024;

std::string describe(int ffmpegError) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(ffmpegError, text, sizeof text);
  return text;
}

void setWhy(std::string* why, std::string text) {
  if (why) *why = std::move(text);
}

// Why a sound with this rate and channel count is refused; empty when it is
// one a ringtone may be (0 for either: not known yet).
std::string unfitFormat(int sampleRate, int channels) {
  if (sampleRate != 0 && (sampleRate < kMinSampleRate || sampleRate > kMaxSampleRate))
    return "its sample rate of " + std::to_string(sampleRate) + " Hz is no ringtone's";
  if (channels > kMaxChannels) return "its " + std::to_string(channels) + " channels are more than a ringtone has";
  return {};
}

}  // namespace

// ---- AudioSource

std::shared_ptr<const AudioSource> AudioSource::openDeviceFile(const std::string& devicePath, std::string* why) {
  // Non-blocking, so that a FIFO standing at the path cannot hang the open.
  const int fd = currentDeviceRoot()->open(devicePath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    setWhy(why, std::strerror(errno));
    return nullptr;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    setWhy(why, "not a regular file");
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::shared_ptr<AudioSource> source(new AudioSource());
  source->fd_ = fd;
  source->size_ = status.st_size;
  source->nameHint_ = std::filesystem::path(devicePath).filename().string();
  return source;
}

std::shared_ptr<const AudioSource> AudioSource::withBytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
  std::shared_ptr<AudioSource> source(new AudioSource());
  source->size_ = bytes ? static_cast<std::int64_t>(bytes->size()) : 0;
  source->bytes_ = std::move(bytes);
  return source;
}

AudioSource::~AudioSource() {
  if (fd_ >= 0) close(fd_);
}

std::int64_t AudioSource::size() const { return size_; }

long AudioSource::readAt(std::int64_t offset, std::uint8_t* buffer, std::size_t length) const {
  if (offset < 0) return -1;
  if (fd_ >= 0) {
    for (;;) {
      const ssize_t count = pread(fd_, buffer, length, offset);
      if (count >= 0 || errno != EINTR) return static_cast<long>(count);
    }
  }
  if (!bytes_ || offset >= size_) return 0;
  const auto count = std::min<std::int64_t>(static_cast<std::int64_t>(length), size_ - offset);
  std::memcpy(buffer, bytes_->data() + offset, static_cast<std::size_t>(count));
  return static_cast<long>(count);
}

// ---- AudioDecoder

struct AudioDecoder::FFmpeg {
  std::shared_ptr<const AudioSource> source;
  std::int64_t position = 0;
  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* converter = nullptr;
  // What the converter was made for: a stream may change its layout (an MP3
  // frame from stereo to mono), and the converter would read planes that the
  // new frame does not have.
  std::tuple<int, int, int> converterInput{-1, 0, 0};  // format, rate, channels
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int stream = -1;
  bool inputEnded = false;
  // What ends reading at once: the caller's stop, and until the first frame
  // the deadline. Checked in the read function, as FFmpeg's interrupt
  // callback does not cover reads through a custom I/O context.
  const std::atomic<bool>* stop = nullptr;
  bool firstFrameDecoded = false;
  Clock::time_point deadline = Clock::now() + kFirstFrameDeadline;
  std::int64_t readBudget = kMaxBytesBeforeFirstFrame;

  ~FFmpeg() {
    swr_free(&converter);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    if (io) av_freep(&io->buffer);
    avio_context_free(&io);
    av_packet_free(&packet);
    av_frame_free(&frame);
  }

  bool mustEnd() const {
    return (stop && stop->load()) || (!firstFrameDecoded && Clock::now() > deadline);
  }

  static int interrupted(void* opaque) { return static_cast<FFmpeg*>(opaque)->mustEnd() ? 1 : 0; }

  static int read(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<FFmpeg*>(opaque);
    if (self->mustEnd() || self->readBudget <= 0) return AVERROR_EXIT;
    const auto wanted = std::min<std::int64_t>(size, self->readBudget);
    const long count = self->source->readAt(self->position, buffer, static_cast<std::size_t>(wanted));
    if (count < 0) return AVERROR(EIO);
    if (count == 0) return AVERROR_EOF;
    self->position += count;
    self->readBudget -= count;
    return static_cast<int>(count);
  }

  // Refuses every nested open, as a second line behind the empty protocol list.
  static int refuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

  static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<FFmpeg*>(opaque);
    const std::int64_t size = self->source->size();
    if (whence & AVSEEK_SIZE) return size;
    std::int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET:
        break;
      case SEEK_CUR:
        target += self->position;
        break;
      case SEEK_END:
        target += size;
        break;
      default:
        return AVERROR(EINVAL);
    }
    if (target < 0) return AVERROR(EINVAL);
    self->position = target;
    return target;
  }
};

AudioDecoder::AudioDecoder() : ff_(std::make_unique<FFmpeg>()) {}

AudioDecoder::~AudioDecoder() = default;

namespace {

// Whether the container's header told all a decoder needs, so that reading
// ahead to find out (FFmpeg's stream probing) can be skipped.
bool headerDescribesAudio(const AVFormatContext* format) {
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters* parameters = format->streams[i]->codecpar;
    if (parameters->codec_type == AVMEDIA_TYPE_AUDIO && parameters->codec_id != AV_CODEC_ID_NONE &&
        parameters->sample_rate > 0 && parameters->ch_layout.nb_channels > 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::unique_ptr<AudioDecoder> AudioDecoder::open(std::shared_ptr<const AudioSource> source, std::string* why,
                                                const std::atomic<bool>* stop) {
  // Once per process: FFmpeg's own remarks on damaged files would only
  // clutter the log (`why` says what matters), and no block it allocates
  // may pass the cap.
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxFfmpegAllocation);
  });
  if (!source) {
    setWhy(why, "no source");
    return nullptr;
  }
  std::unique_ptr<AudioDecoder> decoder(new AudioDecoder());
  decoder->ff_->source = source;
  decoder->ff_->stop = stop;
  decoder->source_ = std::move(source);
  if (!decoder->openContainer(why) || !decoder->openAudioDecoder(why) || !decoder->decodeFirstFrame(why)) {
    return nullptr;
  }
  return decoder;
}

bool AudioDecoder::openContainer(std::string* why) {
  FFmpeg& ff = *ff_;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
  ff.io = avio_alloc_context(buffer, kIoBufferBytes, 0, &ff, &FFmpeg::read, nullptr, &FFmpeg::seek);
  ff.format = avformat_alloc_context();
  if (!buffer || !ff.io || !ff.format) {
    if (!ff.io) av_free(buffer);
    setWhy(why, "out of memory");
    return false;
  }
  ff.format->pb = ff.io;
  ff.format->flags |= AVFMT_FLAG_CUSTOM_IO;
  ff.format->io_open = &FFmpeg::refuseOpen;
  ff.format->interrupt_callback = {&FFmpeg::interrupted, &ff};
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", kNoProtocols, 0);
  av_dict_set(&options, "format_whitelist", kContainers, 0);
  av_dict_set(&options, "codec_whitelist", kAudioDecoders, 0);
  // On failure the format context is freed and set to null.
  const int error = avformat_open_input(&ff.format, source_->nameHint().c_str(), nullptr, &options);
  av_dict_free(&options);
  if (error < 0) {
    setWhy(why, "not a sound file FFmpeg knows (" + describe(error) + ")");
    return false;
  }
  if (headerDescribesAudio(ff.format)) {
    // The header is trusted: no reading ahead to second-guess it either (a
    // WAV would otherwise have its whole PCM data probed for other codecs
    // before the first packet comes, some 10-30 ms for a 20-second sound).
    ff.format->probesize = 32;
  } else if (int failed = avformat_find_stream_info(ff.format, nullptr); failed < 0) {
    setWhy(why, "its streams cannot be read (" + describe(failed) + ")");
    return false;
  }
  return true;
}

bool AudioDecoder::openAudioDecoder(std::string* why) {
  FFmpeg& ff = *ff_;
  const AVCodec* codec = nullptr;
  ff.stream = av_find_best_stream(ff.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (ff.stream < 0 || !codec) {
    setWhy(why, ff.stream == AVERROR_DECODER_NOT_FOUND ? "no decoder for its audio" : "it holds no audio");
    return false;
  }
  const AVCodecParameters* parameters = ff.format->streams[ff.stream]->codecpar;
  if (std::string unfit = unfitFormat(parameters->sample_rate, parameters->ch_layout.nb_channels); !unfit.empty()) {
    setWhy(why, unfit);
    return false;
  }
  // The demuxer skips the other streams rather than reading them.
  for (unsigned i = 0; i < ff.format->nb_streams; ++i) {
    if (static_cast<int>(i) != ff.stream) ff.format->streams[i]->discard = AVDISCARD_ALL;
  }
  ff.codec = avcodec_alloc_context3(codec);
  AVDictionary* options = nullptr;
  av_dict_set(&options, "codec_whitelist", kAudioDecoders, 0);
  av_dict_set_int(&options, "max_samples", kMaxFrameSamples, 0);
  const bool opened = ff.codec && avcodec_parameters_to_context(ff.codec, parameters) >= 0 &&
                      avcodec_open2(ff.codec, codec, &options) >= 0;
  av_dict_free(&options);
  if (!opened) {
    setWhy(why, "its audio decoder does not open");
    return false;
  }
  return true;
}

bool AudioDecoder::decodeFirstFrame(std::string* why) {
  FFmpeg& ff = *ff_;
  if (!nextFrame()) {
    setWhy(why, "none of its audio decodes");
    return false;
  }
  if (std::string unfit = unfitFormat(ff.frame->sample_rate, ff.frame->ch_layout.nb_channels); !unfit.empty()) {
    setWhy(why, unfit);
    return false;
  }
  ff.firstFrameDecoded = true;
  frameWaiting_ = true;
  return true;
}

bool AudioDecoder::nextFrame() {
  FFmpeg& ff = *ff_;
  int badPackets = 0;
  for (;;) {
    const int received = avcodec_receive_frame(ff.codec, ff.frame);
    if (received == 0) return true;
    if (received == AVERROR_EOF) return false;
    if (received != AVERROR(EAGAIN) && ++badPackets > kMaxBadPacketsInARow) return false;
    if (ff.inputEnded) {
      if (received != AVERROR(EAGAIN)) continue;
      return false;
    }
    if (ff.firstFrameDecoded) ff.readBudget = kMaxBytesPerPacket;
    if (av_read_frame(ff.format, ff.packet) < 0) {
      // The end, or a file cut short: what was read still plays.
      ff.inputEnded = true;
      avcodec_send_packet(ff.codec, nullptr);
      continue;
    }
    if (ff.packet->stream_index != ff.stream) {
      av_packet_unref(ff.packet);
      continue;
    }
    const int sent = avcodec_send_packet(ff.codec, ff.packet);
    av_packet_unref(ff.packet);
    if (sent < 0 && sent != AVERROR(EAGAIN) && ++badPackets > kMaxBadPacketsInARow) return false;
  }
}

void AudioDecoder::convertFrame() {
  FFmpeg& ff = *ff_;
  AVFrame* frame = ff.frame;
  if (!unfitFormat(frame->sample_rate, frame->ch_layout.nb_channels).empty()) {
    // A stream that changes to a format no ringtone has ends there.
    ended_ = true;
    av_frame_unref(frame);
    return;
  }
  const std::tuple frameInput{frame->format, frame->sample_rate, frame->ch_layout.nb_channels};
  if (ff.converter && frameInput != ff.converterInput) {
    flushConverter();
    swr_free(&ff.converter);
  }
  if (!ff.converter) {
    ff.converterInput = frameInput;
    AVChannelLayout input{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels == 0) {
      av_channel_layout_default(&input, std::max(frame->ch_layout.nb_channels, 1));
    } else {
      av_channel_layout_copy(&input, &frame->ch_layout);
    }
    AVChannelLayout output{};
    av_channel_layout_default(&output, AudioOutput::kChannels);
    const int made = swr_alloc_set_opts2(&ff.converter, &output, AV_SAMPLE_FMT_S16, AudioOutput::kSampleRate, &input,
                                         static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&input);
    av_channel_layout_uninit(&output);
    if (made < 0 || swr_init(ff.converter) < 0) {
      swr_free(&ff.converter);
      ended_ = true;
      av_frame_unref(frame);
      return;
    }
  }
  const int room = swr_get_out_samples(ff.converter, frame->nb_samples);
  if (room > 0) {
    const std::size_t old = pending_.size();
    pending_.resize(old + static_cast<std::size_t>(room) * AudioOutput::kChannels);
    auto* out = reinterpret_cast<std::uint8_t*>(pending_.data() + old);
    const int made = swr_convert(ff.converter, &out, room, const_cast<const std::uint8_t**>(frame->extended_data),
                                 frame->nb_samples);
    pending_.resize(old + static_cast<std::size_t>(std::max(made, 0)) * AudioOutput::kChannels);
  }
  av_frame_unref(frame);
}

void AudioDecoder::flushConverter() {
  FFmpeg& ff = *ff_;
  if (!ff.converter) return;
  const int room = swr_get_out_samples(ff.converter, 0);
  if (room <= 0) return;
  const std::size_t old = pending_.size();
  pending_.resize(old + static_cast<std::size_t>(room) * AudioOutput::kChannels);
  auto* out = reinterpret_cast<std::uint8_t*>(pending_.data() + old);
  const int made = swr_convert(ff.converter, &out, room, nullptr, 0);
  pending_.resize(old + static_cast<std::size_t>(std::max(made, 0)) * AudioOutput::kChannels);
}

std::size_t AudioDecoder::read(std::vector<std::int16_t>& out, std::size_t frames) {
  const auto pendingFrames = [this] { return (pending_.size() - pendingStart_) / AudioOutput::kChannels; };
  while (pendingFrames() < frames && !ended_) {
    if (frameWaiting_) {
      frameWaiting_ = false;
      convertFrame();
    } else if (nextFrame()) {
      convertFrame();
    } else {
      flushConverter();
      ended_ = true;
    }
  }
  const std::size_t taken = std::min(frames, pendingFrames());
  const auto first = pending_.begin() + static_cast<std::ptrdiff_t>(pendingStart_);
  const auto last = first + static_cast<std::ptrdiff_t>(taken * AudioOutput::kChannels);
  out.insert(out.end(), first, last);
  pendingStart_ += taken * AudioOutput::kChannels;
  if (pendingStart_ * 2 >= pending_.size()) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingStart_));
    pendingStart_ = 0;
  }
  return taken;
}
