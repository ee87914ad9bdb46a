#pragma once
// Gives each image on screen an id the browser fetches it by
// (/images/<id>.png). The id is derived from the image's PNG bytes, so an id
// always names the same picture, across restarts too, and the browser may
// cache it for good. Images are held weakly: one that no page holds any more
// is no longer served. Registration happens on the main thread while the
// screen is built; lookups come from the HTTP threads.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class UIImage;

class ImageRegistry {
 public:
  std::string idFor(const std::shared_ptr<const UIImage>& image);
  // A live image with that id, or none.
  std::shared_ptr<const UIImage> imageWithId(const std::string& id) const;

 private:
  struct Known {
    std::weak_ptr<const UIImage> image;
    std::string id;
  };
  void forgetExpired();

  mutable std::mutex mutex_;
  std::map<const UIImage*, Known> byObject_;
  std::map<std::string, std::weak_ptr<const UIImage>> byId_;
  std::size_t registrationsSinceSweep_ = 0;
};
