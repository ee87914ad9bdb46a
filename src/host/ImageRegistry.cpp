#include "host/ImageRegistry.h"

#include <openssl/evp.h>

#include <algorithm>
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

bool expired(const std::weak_ptr<const UIImage>& holder) { return holder.expired(); }

}  // namespace

std::string ImageRegistry::idFor(const std::shared_ptr<const UIImage>& image) {
  std::string id = contentId(*image);
  std::lock_guard guard(mutex_);
  if (++registrationsSinceSweep_ >= 256) forgetExpired();
  auto& holders = byId_[id];
  std::erase_if(holders, expired);
  const bool known = std::any_of(holders.begin(), holders.end(),
                                 [&image](const auto& holder) { return holder.lock() == image; });
  if (!known) holders.push_back(image);
  return id;
}

std::shared_ptr<const UIImage> ImageRegistry::imageWithId(const std::string& id) const {
  std::lock_guard guard(mutex_);
  auto found = byId_.find(id);
  if (found == byId_.end()) return nullptr;
  for (const auto& holder : found->second)
    if (auto image = holder.lock()) return image;
  return nullptr;
}

void ImageRegistry::forgetExpired() {
  registrationsSinceSweep_ = 0;
  for (auto& [id, holders] : byId_) std::erase_if(holders, expired);
  std::erase_if(byId_, [](const auto& entry) { return entry.second.empty(); });
}
