#pragma once
// A preview on its way to the browser page: made in parts of half a second
// (WAV files the page fetches one after another and plays back to back), no
// further ahead of the listener than the output's lead, so that a preview
// stopped after three seconds has decoded little more than those. The
// decoding thread adds parts; the host's HTTP threads wait for them; the main
// thread reads which clip is current for the screen.
//
// Clips are named by an id that is never reused; the last few stay
// reachable by it, so a page still fetching the one before is answered.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum class BrowserClipState { playing, stopped, ended };

// What a page asking for part n gets.
enum class BrowserClipPart { ready, later, none };

class BrowserClip {
 public:
  // A new clip, made the current one, to play in the given tab (none: any tab).
  static std::shared_ptr<BrowserClip> begin(std::optional<std::string> tab);
  // The clip of the latest preview, or none before the first.
  static std::shared_ptr<BrowserClip> current();
  static std::shared_ptr<BrowserClip> withId(const std::string& id);

  const std::string& id() const { return id_; }
  const std::optional<std::string>& tab() const { return tab_; }
  BrowserClipState state() const;
  std::size_t partCount() const;

  // Decoding thread.
  void addPart(std::string wav);
  void finish();  // no part follows
  void setState(BrowserClipState state);

  // Part n's WAV bytes into `wav` (ready); later when it is still being
  // made after `wait`; none when the clip ended or stopped without it.
  BrowserClipPart part(std::size_t index, std::chrono::milliseconds wait, std::string& wav) const;

 private:
  BrowserClip(std::string id, std::optional<std::string> tab) : id_(std::move(id)), tab_(std::move(tab)) {}

  const std::string id_;
  const std::optional<std::string> tab_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> parts_;
  bool finished_ = false;
  BrowserClipState state_ = BrowserClipState::playing;
};
