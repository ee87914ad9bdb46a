#include "host/ImageRegistry.h"

#include <cstdio>
#include <functional>
#include <string_view>

#include "uikit/UIImage.h"

namespace {

std::string contentId(const UIImage& image) {
  const auto& bytes = image.pngData();
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  char text[17];
  std::snprintf(text, sizeof text, "%016zx", std::hash<std::string_view>{}(view));
  return text;
}

}  // namespace

std::string ImageRegistry::idFor(const std::shared_ptr<const UIImage>& image) {
  std::lock_guard guard(mutex_);
  auto known = byObject_.find(image.get());
  // The address of an image that went away may be reused by a new one.
  if (known != byObject_.end() && !known->second.image.expired()) {
    // Another image with the same bytes may have been served under this id.
    auto& served = byId_[known->second.id];
    if (served.expired()) served = image;
    return known->second.id;
  }
  if (++registrationsSinceSweep_ >= 256) forgetExpired();
  std::string id = contentId(*image);
  byObject_[image.get()] = {image, id};
  byId_[id] = image;
  return id;
}

std::shared_ptr<const UIImage> ImageRegistry::imageWithId(const std::string& id) const {
  std::lock_guard guard(mutex_);
  auto found = byId_.find(id);
  if (found == byId_.end()) return nullptr;
  if (auto image = found->second.lock()) return image;
  // The image first seen with these bytes is gone; another may still show them.
  for (const auto& [object, known] : byObject_) {
    if (known.id != id) continue;
    if (auto image = known.image.lock()) return image;
  }
  return nullptr;
}

void ImageRegistry::forgetExpired() {
  registrationsSinceSweep_ = 0;
  std::erase_if(byObject_, [](const auto& entry) { return entry.second.image.expired(); });
  std::erase_if(byId_, [](const auto& entry) { return entry.second.expired(); });
}
