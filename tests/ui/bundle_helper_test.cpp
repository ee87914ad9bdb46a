// The bundle image helpers: one shared instance per class, made once (also
// when threads race to the first call) with one log line, knowing the pane's
// bundle rather than the Settings app's. CTest runs every test in a process
// of its own, so each starts before either instance exists.
#include <gtest/gtest.h>

#include <barrier>
#include <filesystem>
#include <thread>
#include <vector>

#include "BuildPaths.h"
#include "foundation/NSBundle.h"
#include "support/ChimewellTest.h"
#include "ui/ChimewellHelper.h"
#include "ui/QCPrefsHelper.h"
#include "uikit/UIImage.h"

namespace {

class BundleHelperTest : public ChimewellTest {
 protected:
  static std::shared_ptr<NSBundle> paneBundle() { return NSBundle::bundleWithPath(CHIMEWELL_BUNDLE_DIR); }
};

TEST_F(BundleHelperTest, EachClassHasOneSharedInstanceThatKnowsThePanesBundle) {
  auto chimewell = ChimewellHelper::sharedInstance();
  auto prefs = QCPrefsHelper::sharedInstance();
  ASSERT_TRUE(chimewell && prefs);
  EXPECT_EQ(ChimewellHelper::sharedInstance(), chimewell);
  EXPECT_EQ(QCPrefsHelper::sharedInstance(), prefs);
  EXPECT_NE(static_cast<const void*>(chimewell.get()), static_cast<const void*>(prefs.get()));

  EXPECT_EQ(chimewell->prefsBundle(), paneBundle());
  EXPECT_EQ(prefs->prefsBundle(), paneBundle());
  EXPECT_NE(chimewell->prefsBundle(), NSBundle::mainBundle()) << "not the Settings app's";
  const std::string line = "_sharedInstance.prefsBundle: NSBundle <" +
                           std::filesystem::weakly_canonical(CHIMEWELL_BUNDLE_DIR).string() + "> (loaded)";
  EXPECT_EQ(logMessages(), (std::vector<std::string>{line, line}));
}

TEST_F(BundleHelperTest, ImagesComeFromThePanesBundleAndAMissingOneIsNone) {
  // The first call is imageNamed:, which makes the instance and logs once.
  auto icon = QCPrefsHelper::imageNamed("icon");
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->pngData(), UIImage::imageNamedInBundle("icon", paneBundle())->pngData());
  EXPECT_EQ(UIImage::imageNamed("icon"), nullptr) << "the Settings app has no such image";
  EXPECT_EQ(QCPrefsHelper::imageNamed("global"), nullptr) << "only the Settings app has this one";
  EXPECT_EQ(QCPrefsHelper::imageNamed("no-such-image"), nullptr);
  EXPECT_EQ(logMessages().size(), 1u) << "no second instance or line";

  EXPECT_TRUE(ChimewellHelper::imageNamed("icon"));
  EXPECT_EQ(logMessages().size(), 2u) << "the other class makes its own, once";
}

TEST_F(BundleHelperTest, ThreadsRacingToTheFirstCallGetOneInstancePerClass) {
  constexpr int kThreads = 8;
  std::vector<std::shared_ptr<ChimewellHelper>> chimewell(kThreads);
  std::vector<std::shared_ptr<QCPrefsHelper>> prefs(kThreads);
  std::barrier start(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      // Half ask for one class first, half for the other.
      if (i % 2 == 0) chimewell[i] = ChimewellHelper::sharedInstance();
      prefs[i] = QCPrefsHelper::sharedInstance();
      if (i % 2 != 0) chimewell[i] = ChimewellHelper::sharedInstance();
    });
  }
  for (auto& thread : threads) thread.join();
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(chimewell[i], chimewell[0]);
    EXPECT_EQ(prefs[i], prefs[0]);
    EXPECT_EQ(chimewell[i]->prefsBundle(), paneBundle()) << "set before any thread sees the instance";
  }
  EXPECT_EQ(logMessages().size(), 2u);
}

}  // namespace
