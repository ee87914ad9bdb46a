#include "host/ImageRegistry.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

#include "uikit/UIImage.h"

namespace {

// 128 bits keep ids short in the JSON and still make a collision between
// the pane's few hundred images out of reach.
constexpr std::size_t idBytes = 16;

std::string contentId(const UIImage& image) {
  const auto& bytes = image.pngData();
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr))
    throw std::runtime_error("SHA-256 is not available");
  static constexpr char hex[] = "0123456789abcdef";
  std::string id;
  for (std::size_t index = 0; index < idBytes; ++index) {
    id += hex[digest[index] >> 4];
    id += hex[digest[index] & 0xF];
  }
  return id;
}

}  // namespace

std::string ImageRegistry::idFor(const std::shared_ptr<const UIImage>& image) {
  std::string id = contentId(*image);
  std::lock_guard guard(mutex_);
  auto& held = byId_[id];
  if (!held.image) held.image = image->withBytesKept();
  held.lastScreen = screen_;
  return id;
}

void ImageRegistry::screenPublished() {
  std::lock_guard guard(mutex_);
  ++screen_;
  std::erase_if(byId_, [this](const auto& entry) { return entry.second.lastScreen + kKeptScreens < screen_; });
}

std::shared_ptr<const UIImage> ImageRegistry::imageWithId(const std::string& id) const {
  std::lock_guard guard(mutex_);
  auto found = byId_.find(id);
  return found == byId_.end() ? nullptr : found->second.image;
}

std::size_t ImageRegistry::heldCount() const {
  std::lock_guard guard(mutex_);
  return byId_.size();
}
