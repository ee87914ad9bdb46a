#include "host/ScreenPublisher.h"

#include "host/EventHub.h"
#include "host/ScreenJson.h"

ScreenPublisher::ScreenPublisher(EventHub& hub, ImageRegistry& images) : hub_(hub), images_(images) {}

nlohmann::json ScreenPublisher::publish(const Screen& screen) {
  nlohmann::json current = screenToJson(screen, images_);
  std::lock_guard guard(mutex_);
  if (version_ == 0 || current != screen_) {
    screen_ = std::move(current);
    ++version_;
    latestText_ = screenMessage(version_, screen_).dump();
    hub_.publish({"screen", latestText_});
  }
  return screenMessage(version_, screen_);
}

std::string ScreenPublisher::latestText() const {
  std::lock_guard guard(mutex_);
  return latestText_;
}
