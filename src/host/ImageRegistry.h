#pragma once
// Gives each image on screen an id the browser fetches it by
// (/images/<id>.png). The id is the first 128 bits of the SHA-256 of the
// image's PNG bytes, in hex: it always names the same picture, across
// restarts and builds too, so the browser may cache it for good.
//
// The registry holds only what the screen model still shows: the images of
// the last few screens published (a browser fetches a screen's images just
// after it arrives, and may be a few screens behind). An id no such screen
// showed is no longer served; showing the image again serves it again.
// What it holds keeps its bytes (UIImage::withBytesKept), so an icon that its
// table lets go of stays servable meanwhile.
// Registration and screenPublished() happen on the main thread while screens
// are built; lookups come from the HTTP threads.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class UIImage;

class ImageRegistry {
 public:
  // How many screens, the latest included, keep their images served.
  static constexpr std::uint64_t kKeptScreens = 8;

  // The image's id; it is served from now until kKeptScreens further
  // screens have been published without it.
  std::string idFor(const std::shared_ptr<const UIImage>& image);
  // A new screen went out: images the last kKeptScreens screens did not
  // show are let go.
  void screenPublished();
  // The image with that id, while it is held, or none.
  std::shared_ptr<const UIImage> imageWithId(const std::string& id) const;
  std::size_t heldCount() const;

 private:
  struct Held {
    std::shared_ptr<const UIImage> image;
    std::uint64_t lastScreen = 0;
  };

  mutable std::mutex mutex_;
  std::map<std::string, Held> byId_;
  std::uint64_t screen_ = 0;  // screens published so far
};
