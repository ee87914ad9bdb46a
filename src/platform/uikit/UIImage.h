#pragma once
// Images are PNG files (or PNG bytes handed in by a library, e.g. app icons).
// imageNamed: looks up "name.png", "name@2x.png", "name@3x.png" and picks the
// variant closest to the main screen's scale, as UIKit does.
#include <cstdint>
#include <filesystem>
#include <memory>
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

  // Size in points (pixels / scale).
  double width() const;
  double height() const;
  double scale() const { return scale_; }
  // The PNG bytes, for drawing (the host serves them to the browser).
  const std::vector<std::uint8_t>& pngData() const { return png_; }
  // The name it was looked up by, when it came from imageNamed.
  const std::optional<std::string>& name() const { return name_; }

  UIImage(std::vector<std::uint8_t> png, double scale, std::optional<std::string> name);

 private:
  std::vector<std::uint8_t> png_;
  double scale_ = 1;
  std::optional<std::string> name_;
  std::uint32_t pixelWidth_ = 0, pixelHeight_ = 0;
};
