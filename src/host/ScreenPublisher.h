#pragma once
// Keeps the screen the browsers see: on the main thread it turns the screen
// model into JSON and, when that differs from the last one, numbers it
// anew and sends it to every open page. The browser draws only screens
// newer than the one it shows from the same host: every message carries
// this host's instance name, drawn at random when the host starts, so that a
// page left open over a restart knows the numbering began again.
// The last screens published stay at hand for a while, so that an action
// can be checked against the screen the person saw (ActionCheck.h).
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "uikit/ScreenModel.h"

class EventHub;
class ImageRegistry;

class ScreenPublisher {
 public:
  // How many earlier screens are kept for checking actions.
  static constexpr std::size_t kKeptScreens = 64;

  ScreenPublisher(EventHub& hub, ImageRegistry& images);

  // Main thread. Returns the screen message (ScreenJson.h) for this screen,
  // which is on page `pageId` (HostApp::pageId()), above `backPageId`.
  nlohmann::json publish(const Screen& screen, std::uint64_t pageId, std::optional<std::uint64_t> backPageId);
  // The screen JSON published as `version`, if it is still kept; main thread.
  std::optional<nlohmann::json> screenAt(std::uint64_t version) const;
  // The last screen published, as the event's JSON text; any thread.
  std::string latestText() const;
  const std::string& hostId() const { return hostId_; }

 private:
  EventHub& hub_;
  ImageRegistry& images_;
  const std::string hostId_;
  mutable std::mutex mutex_;
  nlohmann::json screen_;
  std::uint64_t version_ = 0;
  std::string latestText_;
  std::deque<std::pair<std::uint64_t, nlohmann::json>> kept_;  // oldest first
};
