#pragma once
// Keeps the screen the browsers see: on the main thread it turns the screen
// model into JSON and, when that differs from the last one, numbers it
// anew and sends it to every open page. The browser draws only screens
// newer than the one it shows.
#include <cstdint>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "uikit/ScreenModel.h"

class EventHub;
class ImageRegistry;

class ScreenPublisher {
 public:
  ScreenPublisher(EventHub& hub, ImageRegistry& images);

  // Main thread. Returns the screen message (ScreenJson.h) for this screen.
  nlohmann::json publish(const Screen& screen);
  // The last screen published, as the event's JSON text; any thread.
  std::string latestText() const;

 private:
  EventHub& hub_;
  ImageRegistry& images_;
  mutable std::mutex mutex_;
  nlohmann::json screen_;
  std::uint64_t version_ = 0;
  std::string latestText_;
};
