#include "uikit/UIImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "foundation/NSBundle.h"
#include "uikit/UIScreen.h"

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// Signature, then the IHDR chunk's length and type, then width and height.
constexpr std::size_t kHeaderSize = 8 + 8 + 8;

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
         std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// The pixel size from the IHDR chunk, which a PNG must start with; none when
// the bytes are not a PNG.
std::optional<std::pair<std::uint32_t, std::uint32_t>> pngPixelSize(
    const std::vector<std::uint8_t>& png) {
  if (png.size() < kHeaderSize || !std::equal(kPngSignature.begin(), kPngSignature.end(), png.begin()) ||
      std::string_view(reinterpret_cast<const char*>(png.data()) + 12, 4) != "IHDR") {
    return std::nullopt;
  }
  const auto width = bigEndian32(png.data() + 16);
  const auto height = bigEndian32(png.data() + 20);
  if (width == 0 || height == 0) return std::nullopt;
  return std::make_pair(width, height);
}

std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path) {
  auto bytes = NSBundle::contentsOfHostFile(path);
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

// The scales to try for a screen scale: that one first, then the nearest,
// the sharper of two equally near ones first.
std::vector<int> scalesByPreference(double screenScale) {
  std::vector<int> scales{3, 2, 1};
  std::stable_sort(scales.begin(), scales.end(), [screenScale](int left, int right) {
    return std::fabs(left - screenScale) < std::fabs(right - screenScale);
  });
  return scales;
}

std::string fileNameFor(const std::string& name, int scale) {
  return scale == 1 ? name + ".png" : name + "@" + std::to_string(scale) + "x.png";
}

// The scale a file name announces ("icon@2x.png"), 1 when none.
double scaleOfFileName(const std::filesystem::path& path) {
  const std::string stem = path.stem().string();
  for (int scale : {2, 3}) {
    if (stem.ends_with("@" + std::to_string(scale) + "x")) return scale;
  }
  return 1;
}

}  // namespace

UIImage::UIImage(std::vector<std::uint8_t> png, double scale, std::optional<std::string> name)
    : name_(std::move(name)) {
  setPNG(std::move(png), scale);
}

UIImage::UIImage(std::function<LoadedPNG()> load) : load_(std::move(load)) {}

UIImage::UIImage(Bytes png, double scale, std::uint32_t pixelWidth, std::uint32_t pixelHeight)
    : png_(std::move(png)), scale_(scale), pixelWidth_(pixelWidth), pixelHeight_(pixelHeight) {}

void UIImage::setPNG(std::vector<std::uint8_t> png, double scale) const {
  auto size = pngPixelSize(png);
  std::tie(pixelWidth_, pixelHeight_) = size.value_or(std::pair<std::uint32_t, std::uint32_t>{0, 0});
  png_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(png));
  scale_ = scale > 0 ? scale : 1;
}

void UIImage::loadIfNeeded(std::unique_lock<std::mutex>& lock) const {
  // Read with the lock let go: isLoaded() never waits for a file, and the
  // main thread never for another thread's read.
  while (!png_) {
    lock.unlock();
    auto loaded = load_();
    lock.lock();
    if (!png_) setPNG(std::move(loaded.png), loaded.scale);
  }
}

void UIImage::letGoOfBytes() {
  std::lock_guard guard(mutex_);
  if (load_) png_.reset();
}

std::shared_ptr<const UIImage> UIImage::withBytesKept() const {
  std::unique_lock lock(mutex_);
  if (!load_) return std::static_pointer_cast<const UIImage>(shared_from_this());
  loadIfNeeded(lock);
  // Private constructor: make_shared cannot reach it.
  return std::shared_ptr<const UIImage>(new UIImage(png_, scale_, pixelWidth_, pixelHeight_));
}

std::shared_ptr<UIImage> UIImage::imageNamed(const std::string& name) {
  return imageNamedInBundle(name, NSBundle::mainBundle());
}

std::shared_ptr<UIImage> UIImage::imageNamedInBundle(const std::string& name,
                                                     const std::shared_ptr<NSBundle>& bundle) {
  const auto& searched = bundle ? bundle : NSBundle::mainBundle();
  std::string base = name;
  if (base.ends_with(".png")) base.resize(base.size() - 4);
  if (base.empty() || !searched) return nullptr;
  for (int scale : scalesByPreference(UIScreen::mainScreen()->scale())) {
    auto file = searched->resourceFile(fileNameFor(base, scale));
    auto png = file ? readFile(*file) : std::nullopt;
    if (png && pngPixelSize(*png)) return std::make_shared<UIImage>(std::move(*png), scale, name);
  }
  return nullptr;
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::filesystem::path& path) {
  auto png = readFile(path);
  if (!png) return nullptr;
  return imageWithPNGData(std::move(*png), scaleOfFileName(path));
}

std::shared_ptr<UIImage> UIImage::imageWithPNGData(std::vector<std::uint8_t> png, double scale) {
  if (!pngPixelSize(png)) return nullptr;
  return std::make_shared<UIImage>(std::move(png), scale, std::nullopt);
}

std::shared_ptr<UIImage> UIImage::imageLoadedOnFirstUse(std::function<LoadedPNG()> load) {
  return std::make_shared<UIImage>(std::move(load));
}

double UIImage::width() const {
  std::unique_lock lock(mutex_);
  loadIfNeeded(lock);
  return pixelWidth_ / scale_;
}

double UIImage::height() const {
  std::unique_lock lock(mutex_);
  loadIfNeeded(lock);
  return pixelHeight_ / scale_;
}

double UIImage::scale() const {
  std::unique_lock lock(mutex_);
  loadIfNeeded(lock);
  return scale_;
}

const std::vector<std::uint8_t>& UIImage::pngData() const {
  std::unique_lock lock(mutex_);
  loadIfNeeded(lock);
  return *png_;
}

bool UIImage::isLoaded() const {
  std::lock_guard guard(mutex_);
  return png_ != nullptr;
}
