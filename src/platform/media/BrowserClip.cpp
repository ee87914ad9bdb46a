#include "media/BrowserClip.h"

#include <atomic>
#include <cstdio>
#include <deque>
#include <random>

namespace {

constexpr std::size_t kClipsKept = 4;

std::mutex clipsMutex;
std::deque<std::shared_ptr<BrowserClip>> recentClips;  // newest last

std::string newClipId() {
  // A per-process prefix keeps a browser from taking an earlier run's clip for this one.
  static const unsigned prefix = std::random_device{}();
  static std::atomic<unsigned> counter{0};
  char text[32];
  std::snprintf(text, sizeof text, "%08x-%u", prefix, ++counter);
  return text;
}

}  // namespace

std::shared_ptr<BrowserClip> BrowserClip::begin(std::optional<std::string> tab) {
  std::shared_ptr<BrowserClip> clip(new BrowserClip(newClipId(), std::move(tab)));
  std::lock_guard guard(clipsMutex);
  recentClips.push_back(clip);
  if (recentClips.size() > kClipsKept) recentClips.pop_front();
  return clip;
}

std::shared_ptr<BrowserClip> BrowserClip::current() {
  std::lock_guard guard(clipsMutex);
  return recentClips.empty() ? nullptr : recentClips.back();
}

std::shared_ptr<BrowserClip> BrowserClip::withId(const std::string& id) {
  std::lock_guard guard(clipsMutex);
  for (const auto& clip : recentClips) {
    if (clip->id() == id) return clip;
  }
  return nullptr;
}

BrowserClipState BrowserClip::state() const {
  std::lock_guard guard(mutex_);
  return state_;
}

std::size_t BrowserClip::partCount() const {
  std::lock_guard guard(mutex_);
  return parts_.size();
}

void BrowserClip::addPart(std::string wav) {
  {
    std::lock_guard guard(mutex_);
    parts_.push_back(std::move(wav));
  }
  changed_.notify_all();
}

void BrowserClip::finish() {
  {
    std::lock_guard guard(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

void BrowserClip::setState(BrowserClipState state) {
  {
    std::lock_guard guard(mutex_);
    // A stopped clip stays stopped: its end may still be reached afterwards.
    if (state_ == BrowserClipState::stopped) return;
    state_ = state;
  }
  changed_.notify_all();
}

BrowserClipPart BrowserClip::part(std::size_t index, std::chrono::milliseconds wait, std::string& wav) const {
  std::unique_lock lock(mutex_);
  const bool settled = changed_.wait_for(lock, wait, [&] {
    return index < parts_.size() || finished_ || state_ == BrowserClipState::stopped;
  });
  if (state_ == BrowserClipState::stopped) return BrowserClipPart::none;
  if (index < parts_.size()) {
    wav = parts_[index];
    return BrowserClipPart::ready;
  }
  return settled ? BrowserClipPart::none : BrowserClipPart::later;
}
