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

TEST_F(URLTest, AWebAddressSplitsIntoItsParts) {
  auto url = NSURL::URLWithString("HTTPS://user@example.com:8443/a%20b/c.m4r?x=1&y=2#top");
  ASSERT_NE(url, nullptr);
  EXPECT_EQ(url->scheme(), "https");
  EXPECT_EQ(url->host(), "example.com");
  EXPECT_EQ(url->path(), "/a b/c.m4r");
  EXPECT_EQ(url->query(), "x=1&y=2");
  EXPECT_EQ(url->fragment(), "top");
  EXPECT_EQ(url->absoluteString(), "HTTPS://user@example.com:8443/a%20b/c.m4r?x=1&y=2#top");

  auto mail = NSURL::URLWithString("mailto:support@chimewell.app?subject=Hi");
  EXPECT_EQ(mail->scheme(), "mailto");
  EXPECT_EQ(mail->host(), std::nullopt);
  EXPECT_EQ(mail->path(), "support@chimewell.app");

  auto relative = NSURL::URLWithString("sounds/tone.caf");
  EXPECT_EQ(relative->scheme(), std::nullopt);
  EXPECT_EQ(relative->path(), "sounds/tone.caf");
}

TEST_F(URLTest, MalformedStringsMakeNoURL) {
  for (const char* text : {"", "https://example.com/a b", "https://exa\"mple.com", "100%",
                           "https://x/%zz", "https://x/#a#b", "https://x/\xc3\xa9", "a\tb"}) {
    EXPECT_EQ(NSURL::URLWithString(text), nullptr) << text;
  }
}

TEST_F(URLTest, FileURLsEncodeEachPathComponent) {
  auto url = NSURL::fileURLWithPath("/var/jb/Library/Application Support/Chimewell/Tri-tone #2.caf");
  EXPECT_EQ(url->absoluteString(),
            "file:///var/jb/Library/Application%20Support/Chimewell/Tri-tone%20%232.caf");
  EXPECT_TRUE(url->isFileURL());
  EXPECT_EQ(url->path(), "/var/jb/Library/Application Support/Chimewell/Tri-tone #2.caf");
  EXPECT_EQ(NSURL::percentDecode(NSURL::percentEncode("a/b c:é?&=")), "a/b c:é?&=");
  EXPECT_EQ(NSURL::percentEncode("Hello! I'm"), "Hello%21%20I%27m");
}

TEST_F(URLTest, OpenedLinksGoToTheOpenerOrNowhere) {
  auto application = UIApplication::sharedApplication();
  std::vector<bool> results;
  application->openURLOptionsCompletionHandler(NSURL::URLWithString("https://example.com/a"), {},
                                               [&](bool success) { results.push_back(success); });
  MainRunLoop::main().runDue();
  EXPECT_THAT(results, ElementsAre(false)) << "no opener: not handed on";
  EXPECT_THAT(logMessages(), ElementsAre("No link opener; not opening https://example.com/a"));

  results.clear();
  std::vector<std::string> opened;
  application->setLinkOpener([&](const std::string& url) { opened.push_back(url); });
  application->openURLOptionsCompletionHandler(NSURL::URLWithString("https://example.com/b"), {},
                                               [&](bool success) { results.push_back(success); });
  application->openURLOptionsCompletionHandler(nullptr, {},
                                               [&](bool success) { results.push_back(success); });
  EXPECT_THAT(opened, ElementsAre("https://example.com/b"));
  EXPECT_TRUE(results.empty());  // completions come later, on the main queue
  MainRunLoop::main().runDue();
  EXPECT_THAT(results, ElementsAre(true, false));
}

}  // namespace
