#pragma once
// Images are PNG files (or PNG bytes handed in by a library, e.g. app icons).
// imageNamed: looks up "name.png", "name@2x.png", "name@3x.png" and picks the
// variant closest to the main screen's scale, as UIKit does.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NSObject.h"

class NSBundle;

class UIImage : public NSObject {
 public:
  // In the running application's bundle (NSBundle::mainBundle()); none when absent.
  static std::shared_ptr<UIImage> imageNamed(const std::string& name);
  static std::shared_ptr<UIImage> imageNamedInBundle(const std::string& name,
                                                     const std::shared_ptr<NSBundle>& bundle);
  static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::filesystem::path& path);
  static std::shared_ptr<UIImage> imageWithPNGData(std::vector<std::uint8_t> png, double scale = 1);

  // An image whose bytes are read only when it is first measured or drawn,
  // so that a long list of rows reads only the images of rows shown (app
  // icons). `load` runs once, on whichever thread first needs the image, and
  // must give a PNG (a fallback image of its own when its file is gone).
  struct LoadedPNG {
    std::vector<std::uint8_t> png;
    double scale = 1;
  };
  static std::shared_ptr<UIImage> imageLoadedOnFirstUse(std::function<LoadedPNG()> load);

  // Size in points (pixels / scale).
  double width() const;
  double height() const;
  double scale() const;
  // The PNG bytes, for drawing (the host serves them to the browser).
  const std::vector<std::uint8_t>& pngData() const;
  // Whether the bytes are in memory (an image loaded on first use that
  // nothing has measured or drawn yet is not).
  bool isLoaded() const;
  // The name it was looked up by, when it came from imageNamed.
  const std::optional<std::string>& name() const { return name_; }

  UIImage(std::vector<std::uint8_t> png, double scale, std::optional<std::string> name);
  explicit UIImage(std::function<LoadedPNG()> load);

 private:
  void setPNG(std::vector<std::uint8_t> png, double scale);
  void loadIfNeeded() const;

  mutable std::mutex loadMutex_;
  mutable std::atomic<bool> loaded_{true};
  mutable std::function<LoadedPNG()> load_;  // none once run
  std::vector<std::uint8_t> png_;
  double scale_ = 1;
  std::optional<std::string> name_;
  std::uint32_t pixelWidth_ = 0, pixelHeight_ = 0;
};
