// Images as the browser fetches them: by a stable id, while recent screens show them.
#include <gtest/gtest.h>

#include "host/ImageRegistry.h"
#include "support/ChimewellTest.h"
#include "uikit/UIImage.h"

namespace {

using ImageRegistryTest = ChimewellTest;

// The browser caches an image for a year by its id, so the id names its
// bytes by a standard digest (SHA-256 of "abc"), the same in every run.
TEST_F(ImageRegistryTest, AnImageIsServedByAStableIdWhileRecentScreensShowIt) {
  ImageRegistry images;
  auto icon = UIImage::imageLoadedOnFirstUse([] { return UIImage::LoadedPNG{{'a', 'b', 'c'}, 1}; });
  const std::string id = images.idFor(icon);
  EXPECT_EQ(id, "ba7816bf8f01cfea414140de5dae2223");
  icon->letGoOfBytes();
  for (std::uint64_t published = 1; published <= ImageRegistry::kKeptScreens; ++published) {
    images.screenPublished();
    ASSERT_NE(images.imageWithId(id), nullptr) << "its table let go of it; a browser a few screens behind fetches it";
    EXPECT_EQ(images.imageWithId(id)->pngData(), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  }
  images.screenPublished();
  EXPECT_EQ(images.imageWithId(id), nullptr);
  EXPECT_EQ(images.heldCount(), 0u);
}

}  // namespace
