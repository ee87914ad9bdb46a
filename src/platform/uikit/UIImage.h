#pragma once
// Images are PNG files (or PNG bytes handed in by a library, e.g. app icons).
// imageNamed: looks up "name.png", "name@2x.png", "name@3x.png" and picks the
// variant closest to the main screen's scale, as UIKit does.
//
// An image loaded on first use (app icons) may let go of its bytes again
// (a table does so for rows long scrolled away) and loads them anew when
// next used, so a list of thousands of icons holds only those lately shown.
// Every accessor may be called from any thread; pngData()'s reference stays
// valid until the image lets go, which only the main thread asks, so other
// threads keep an image of the same bytes (withBytesKept()).
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
  // icons). `load` runs on whichever thread first needs the image, once per
  // letGoOfBytes() (twice when two threads need it at once: the first
  // result stays), with no lock held, so isLoaded() never waits for it. It
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
  // nothing has measured or drawn yet, or that let go of them, is not).
  bool isLoaded() const;
  // Whether letGoOfBytes() can free anything: the image loads on first use.
  bool canLetGoOfBytes() const { return static_cast<bool>(load_); }
  // Frees the bytes of an image loaded on first use; its next use loads
  // them again. Main thread only. Other images keep their bytes.
  void letGoOfBytes();
  // An image of the same bytes that never lets them go, safe to keep and
  // read on any thread: this image itself unless it loads on first use.
  std::shared_ptr<const UIImage> withBytesKept() const;
  // The name it was looked up by, when it came from imageNamed.
  const std::optional<std::string>& name() const { return name_; }

  UIImage(std::vector<std::uint8_t> png, double scale, std::optional<std::string> name);
  explicit UIImage(std::function<LoadedPNG()> load);

 private:
  using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;
  UIImage(Bytes png, double scale, std::uint32_t pixelWidth, std::uint32_t pixelHeight);
  void setPNG(std::vector<std::uint8_t> png, double scale) const;
  // With mutex_ held by `lock`, which it lets go while the load reads.
  void loadIfNeeded(std::unique_lock<std::mutex>& lock) const;

  mutable std::mutex mutex_;
  const std::function<LoadedPNG()> load_;  // none for an image made from bytes
  // None while an image loaded on first use has not loaded or has let go.
  mutable Bytes png_;
  mutable double scale_ = 1;
  std::optional<std::string> name_;
  mutable std::uint32_t pixelWidth_ = 0, pixelHeight_ = 0;
};
