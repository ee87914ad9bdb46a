#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dispatch/MainRunLoop.h"
#include "foundation/NSURL.h"
#include "support/ChimewellTest.h"
#include "uikit/UIApplication.h"

using ::testing::ElementsAre;

namespace {

class URLTest : public ChimewellTest {
 protected:
  void TearDown() override {
    UIApplication::sharedApplication()->setLinkOpener({});
    ChimewellTest::TearDown();
  }
};

// What a sound's player opens: garbage and percent-encoding's round trip are
// the URL fuzz target's.
TEST_F(URLTest, FileURLsEncodeEachPathComponentAndGiveThePathBack) {
  auto url = NSURL::fileURLWithPath("/var/jb/Library/Application Support/Chimewell/Tri-tone #2.caf");
  EXPECT_EQ(url->absoluteString(), "file:///var/jb/Library/Application%20Support/Chimewell/Tri-tone%20%232.caf");
  EXPECT_TRUE(url->isFileURL());
  EXPECT_EQ(url->path(), "/var/jb/Library/Application Support/Chimewell/Tri-tone #2.caf");
}

TEST_F(URLTest, OpenedLinksGoToTheOpenerOrNowhereAndCompleteLaterOnTheMainQueue) {
  auto application = UIApplication::sharedApplication();
  std::vector<bool> results;
  const auto record = [&](bool success) { results.push_back(success); };
  application->openURLOptionsCompletionHandler(NSURL::URLWithString("https://example.com/a"), {}, record);
  std::vector<std::string> opened;
  application->setLinkOpener([&](const std::string& url) { opened.push_back(url); });
  application->openURLOptionsCompletionHandler(NSURL::URLWithString("https://example.com/b"), {}, record);
  EXPECT_THAT(logMessages(), ElementsAre("No link opener; not opening https://example.com/a"));
  EXPECT_THAT(opened, ElementsAre("https://example.com/b"));
  EXPECT_TRUE(results.empty());
  MainRunLoop::main().runDue();
  EXPECT_THAT(results, ElementsAre(false, true));
}

}  // namespace
