#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/NSBundle.h"
#include "support/AppListFixtures.h"
#include "support/ChimewellTest.h"
#include "uikit/UIImage.h"
#include "uikit/UIScreen.h"

namespace fs = std::filesystem;

namespace {

class ImageTest : public ChimewellTest {
 protected:
  void TearDown() override {
    UIScreen::mainScreen()->setScale(3);
    ChimewellTest::TearDown();
  }

  std::shared_ptr<NSBundle> makeBundle(const std::string& name,
                                       const std::vector<std::string>& pngFiles) {
    const fs::path folder = deviceRootPath() / "host" / name;
    fs::create_directories(folder);
    for (const auto& file : pngFiles) {
      // Each variant is 29 points wide at its own scale, and tall by its scale
      // so that the tests can tell which file was picked.
      const std::uint32_t scale = file.find("@3x") != std::string::npos   ? 3
                                  : file.find("@2x") != std::string::npos ? 2
                                                                          : 1;
      writeHostFile(folder / file, pngOfSize(29 * scale, scale));
    }
    return NSBundle::bundleWithPath(folder);
  }
};

TEST_F(ImageTest, NamedImagesComeInTheVariantForTheScreenScaleElseTheNearestSharperFirst) {
  auto bundle = makeBundle("All.bundle", {"icon.png", "icon@2x.png", "icon@3x.png"});
  for (int scale : {1, 2, 3}) {
    UIScreen::mainScreen()->setScale(scale);
    auto image = UIImage::imageNamedInBundle("icon", bundle);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->scale(), scale);
    EXPECT_EQ(image->width(), 29);
  }
  bundle = makeBundle("Some.bundle", {"ends.png", "ends@3x.png", "low.png"});
  UIScreen::mainScreen()->setScale(2);
  EXPECT_EQ(UIImage::imageNamedInBundle("ends", bundle)->scale(), 3);
  UIScreen::mainScreen()->setScale(3);
  auto low = UIImage::imageNamedInBundle("low", bundle);
  EXPECT_EQ(low->scale(), 1);
  EXPECT_EQ(low->width(), 29);
}

}  // namespace
