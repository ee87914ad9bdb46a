// The bundle image helpers hand out the pane's own images, not the Settings
// app's, through one shared instance per class that logs its bundle once.
// CTest runs every test in a process of its own, so neither instance exists yet.
#include <gtest/gtest.h>

#include "BuildPaths.h"
#include "foundation/NSBundle.h"
#include "support/ChimewellTest.h"
#include "ui/ChimewellHelper.h"
#include "ui/QCPrefsHelper.h"
#include "uikit/UIImage.h"

namespace {

using BundleHelperTest = ChimewellTest;

TEST_F(BundleHelperTest, ImagesComeFromThePanesBundleThroughOneInstancePerClass) {
  const auto icon = QCPrefsHelper::imageNamed("icon");
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->pngData(),
            UIImage::imageNamedInBundle("icon", NSBundle::bundleWithPath(CHIMEWELL_BUNDLE_DIR))->pngData());
  EXPECT_EQ(QCPrefsHelper::imageNamed("global"), nullptr) << "only the Settings app has this one";
  EXPECT_EQ(QCPrefsHelper::sharedInstance(), QCPrefsHelper::sharedInstance());
  EXPECT_TRUE(ChimewellHelper::imageNamed("icon"));
  EXPECT_EQ(logMessages().size(), 2u) << "one line for each class's instance";
}

}  // namespace
