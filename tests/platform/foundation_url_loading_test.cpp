#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "foundation/NSData.h"
#include "foundation/NSError.h"
#include "foundation/NSURL.h"
#include "foundation/URLLoader.h"
#include "support/ChimewellTest.h"
#include "support/LoopbackHttpServer.h"

namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

constexpr std::size_t kTestMaxBytes = 64 * 1024;

// Loads from a server of the test's own, with limits short enough for tests.
class URLLoadingTest : public ChimewellTest {
 protected:
  void SetUp() override {
    ChimewellTest::SetUp();
    URLLoadLimits limits;
    limits.connectTimeout = 2s;
    limits.totalTimeout = 5s;
    limits.maxBytes = kTestMaxBytes;
    setURLLoadLimits(limits);
  }
  void TearDown() override {
    setURLLoadLimits(URLLoadLimits{});
    ChimewellTest::TearDown();
  }

  // The bytes as a string, or none; the error's code in lastErrorCode.
  std::optional<std::string> load(const std::string& link) {
    std::shared_ptr<NSError> error;
    auto data = NSData::dataWithContentsOfURL(NSURL::URLWithString(link), &error);
    lastErrorCode = error ? error->code() : 0;
    if (!data) {
      EXPECT_NE(error, nullptr) << link;
      return std::nullopt;
    }
    return std::string(data->bytes().begin(), data->bytes().end());
  }

  // "/hop<n>" redirects to "/hop<n-1>", and "/hop0" serves "arrived".
  void serveRedirectChain(int hops) {
    for (int hop = hops; hop > 0; --hop) {
      server.routes().Get("/hop" + std::to_string(hop),
                          [this, hop](const httplib::Request&, httplib::Response& response) {
                            response.set_redirect(server.url("/hop" + std::to_string(hop - 1)), 302);
                          });
    }
    server.serve("/hop0", "arrived", "text/plain");
  }

  LoopbackHttpServer server;
  long lastErrorCode = 0;
};

TEST_F(URLLoadingTest, TheWholeContentArrivesByteForByte) {
  std::string bytes("ID3\0\x01\xff tone", 11);
  bytes += std::string(kTestMaxBytes - bytes.size(), '\x7f');  // exactly the limit
  server.serve("/tone.m4r", bytes, "audio/x-m4r");

  EXPECT_EQ(load(server.url("/tone.m4r")), bytes);
  EXPECT_EQ(load(server.url("/tone.m4r?download=1#x")), bytes);
  EXPECT_EQ(server.requestsTo("/tone.m4r"), 2);
}

TEST_F(URLLoadingTest, RedirectsAreFollowedUpToTenHops) {
  serveRedirectChain(11);
  EXPECT_EQ(load(server.url("/hop10")), "arrived");

  EXPECT_EQ(load(server.url("/hop11")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorHTTPTooManyRedirects);
  EXPECT_EQ(server.requestsTo("/hop0"), 1) << "the eleventh hop is never taken";
}

TEST_F(URLLoadingTest, RedirectsLeaveTheWebOrGoDownFromHttpsNever) {
  server.routes().Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("file:///etc/passwd", 302);
  });
  server.routes().Get("/nowhere", [](const httplib::Request&, httplib::Response& response) {
    response.status = 302;  // no Location
    response.set_content("moved", "text/plain");
  });
  EXPECT_EQ(load(server.url("/to-file")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorUnsupportedURL);
  EXPECT_EQ(load(server.url("/nowhere")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorBadServerResponse);
}

TEST_F(URLLoadingTest, ErrorPagesAndUnusableLinksGiveNone) {
  server.routes().Get("/missing", [](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
    response.set_content("<html>Not Found</html>", "text/html");
  });
  server.routes().Get("/broken", [](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content("oops", "text/plain");
  });
  EXPECT_EQ(load(server.url("/missing")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorBadServerResponse);
  EXPECT_EQ(load(server.url("/broken")), std::nullopt);

  // No URL at all, a link without a server, and schemes that are not the web.
  EXPECT_EQ(NSData::dataWithContentsOfURL(nullptr), nullptr);
  EXPECT_EQ(load("http:///tone.m4r"), std::nullopt);
  writeFileAt("/tmp/tone.m4r", "local");
  EXPECT_EQ(load("file:///tmp/tone.m4r"), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorUnsupportedURL);
  EXPECT_EQ(load("ftp://127.0.0.1/tone.m4r"), std::nullopt);
  EXPECT_EQ(load("tone.m4r"), std::nullopt);
}

TEST_F(URLLoadingTest, AnUnreachableServerGivesNone) {
  std::string closedLink;
  {
    LoopbackHttpServer gone;
    closedLink = gone.url("/tone.m4r");
  }
  EXPECT_EQ(load(closedLink), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorCannotConnectToHost);
}

TEST_F(URLLoadingTest, MoreThanTheLimitGivesNoneAndStopsTheLoad) {
  server.serve("/big.m4r", std::string(kTestMaxBytes + 1, 'x'), "audio/x-m4r");
  EXPECT_EQ(load(server.url("/big.m4r")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorDataLengthExceedsMaximum);

  // Without a length announced, the load stops once the limit is passed
  // rather than reading on until the time-out.
  server.routes().Get("/endless", [](const httplib::Request&, httplib::Response& response) {
    response.set_chunked_content_provider("audio/x-m4r", [](std::size_t, httplib::DataSink& sink) {
      const std::string chunk(4096, 'y');
      return sink.write(chunk.data(), chunk.size());
    });
  });
  EXPECT_EQ(load(server.url("/endless")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorDataLengthExceedsMaximum);
}

TEST_F(URLLoadingTest, AStalledServerRunsIntoTheTimeOut) {
  URLLoadLimits limits = urlLoadLimits();
  limits.totalTimeout = 300ms;
  setURLLoadLimits(limits);
  server.stallAt("/slow.m4r");

  EXPECT_EQ(load(server.url("/slow.m4r")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorTimedOut);
}

class DataWriteTest : public ChimewellTest {};

TEST_F(DataWriteTest, WritesTheBytesAsTheyAreAndReplacesInOneStep) {
  const std::string content("RIFF\0\0tone", 10);
  makeFolderAt("/sounds");
  writeFileAt("/sounds/tone.wav", "old tone");
  NSData data(std::vector<std::uint8_t>(content.begin(), content.end()));

  EXPECT_TRUE(data.writeToFileAtomically("/sounds/tone.wav", true));
  EXPECT_EQ(readFileAt("/sounds/tone.wav"), content);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(hostPathFor("/sounds")), {}), 1)
      << "no temporary file is left";

  EXPECT_TRUE(data.writeToFileAtomically("/sounds/plain.wav", false));
  EXPECT_EQ(readFileAt("/sounds/plain.wav"), content);
}

TEST_F(DataWriteTest, AFailedWriteSaysWhyAndLeavesTheOldFile) {
  NSData data(std::vector<std::uint8_t>{'n', 'e', 'w'});
  std::shared_ptr<NSError> error;
  EXPECT_FALSE(data.writeToFileAtomically("/missing/tone.m4r", true, &error));
  ASSERT_NE(error, nullptr);
  EXPECT_THAT(error->localizedDescription(), HasSubstr("tone.m4r"));

  makeFolderAt("/sounds/folder.m4r");
  EXPECT_FALSE(data.writeToFileAtomically("/sounds/folder.m4r", true));
  EXPECT_TRUE(std::filesystem::is_directory(hostPathFor("/sounds/folder.m4r")));
}

}  // namespace
