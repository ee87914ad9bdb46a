#pragma once
// Gives each image on screen an id the browser fetches it by
// (/images/<id>.png). The id is the first 128 bits of the SHA-256 of the
// image's PNG bytes, in hex: it always names the same picture, across
// restarts and builds too, so the browser may cache it for good. Images are
// held weakly: once no page holds an image with those bytes, the id is no
// longer served. Registration happens on the main thread while the screen
// is built; lookups come from the HTTP threads.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class UIImage;

class ImageRegistry {
 public:
  std::string idFor(const std::shared_ptr<const UIImage>& image);
  // A live image with that id, or none.
  std::shared_ptr<const UIImage> imageWithId(const std::string& id) const;

 private:
  using Holders = std::vector<std::weak_ptr<const UIImage>>;
  void forgetExpired();

  mutable std::mutex mutex_;
  // Every live image registered with those bytes: the first that went away
  // leaves the others to serve the id.
  std::map<std::string, Holders> byId_;
  std::size_t registrationsSinceSweep_ = 0;
};
