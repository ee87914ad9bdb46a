#include "host/ScreenPublisher.h"

#include <random>

#include "host/EventHub.h"
#include "host/ImageRegistry.h"
#include "host/ScreenJson.h"

namespace {

// Unlikely to repeat across restarts; it names nothing secret.
std::string randomInstanceName() {
  std::random_device source;
  std::uniform_int_distribution<std::uint64_t> pick;
  const std::uint64_t value = pick(source);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name(16, '0');
  for (int i = 0; i < 16; ++i) name[static_cast<std::size_t>(i)] = kDigits[(value >> (4 * i)) & 0xF];
  return name;
}

}  // namespace

ScreenPublisher::ScreenPublisher(EventHub& hub, ImageRegistry& images)
    : hub_(hub), images_(images), hostId_(randomInstanceName()) {}

nlohmann::json ScreenPublisher::publish(const Screen& screen, std::uint64_t pageId,
                                       std::optional<std::uint64_t> backPageId) {
  nlohmann::json current = pageScreenToJson(screen, pageId, backPageId, images_);
  std::lock_guard guard(mutex_);
  if (version_ == 0 || current != screen_) {
    screen_ = std::move(current);
    ++version_;
    kept_.emplace_back(version_, screen_);
    if (kept_.size() > kKeptScreens) kept_.pop_front();
    latestText_ = screenMessage(hostId_, version_, screen_).dump();
    hub_.publish({"screen", latestText_});
    images_.screenPublished();
  }
  return screenMessage(hostId_, version_, screen_);
}

std::optional<nlohmann::json> ScreenPublisher::screenAt(std::uint64_t version) const {
  std::lock_guard guard(mutex_);
  for (const auto& [kept, screen] : kept_) {
    if (kept == version) return screen;
  }
  return std::nullopt;
}

std::string ScreenPublisher::latestText() const {
  std::lock_guard guard(mutex_);
  return latestText_;
}
