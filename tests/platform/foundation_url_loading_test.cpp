#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>
#include <thread>

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

  LoopbackHttpServer server;
  long lastErrorCode = 0;
};

// The import's own suite sees only that a download failed; here each way of
// failing gives its own code.
TEST_F(URLLoadingTest, TheWholeContentArrivesThroughUpToTenRedirectsElseNoneWithItsCode) {
  std::string bytes("ID3\0\x01\xff tone", 11);
  bytes += std::string(kTestMaxBytes - bytes.size(), '\x7f');  // exactly the limit
  server.serve("/tone.m4r", bytes, "audio/x-m4r");
  // "/hop<n>" redirects to "/hop<n-1>", and "/hop0" to the tone.
  for (int hop = 0; hop <= 10; ++hop) {
    server.routes().Get("/hop" + std::to_string(hop), [this, hop](const httplib::Request&, httplib::Response& response) {
      response.set_redirect(server.url(hop == 0 ? "/tone.m4r" : "/hop" + std::to_string(hop - 1)), 302);
    });
  }
  EXPECT_EQ(load(server.url("/tone.m4r?download=1#x")), bytes);
  EXPECT_EQ(load(server.url("/hop9")), bytes);

  server.routes().Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("file:///etc/passwd", 302);
  });
  server.routes().Get("/missing", [](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
    response.set_content("<html>Not Found</html>", "text/html");
  });
  server.serve("/big.m4r", std::string(kTestMaxBytes + 1, 'x'), "audio/x-m4r");
  // Without a length announced, the load stops once the limit is passed
  // rather than reading on until the time-out.
  server.routes().Get("/endless", [](const httplib::Request&, httplib::Response& response) {
    response.set_chunked_content_provider("audio/x-m4r", [](std::size_t, httplib::DataSink& sink) {
      const std::string chunk(4096, 'y');
      return sink.write(chunk.data(), chunk.size());
    });
  });
  writeFileAt("/tmp/tone.m4r", "local");
  const std::vector<std::pair<std::string, long>> failures{
      {server.url("/hop10"), NSURLErrorHTTPTooManyRedirects},
      {server.url("/to-file"), NSURLErrorUnsupportedURL},
      {server.url("/missing"), NSURLErrorBadServerResponse},
      {server.url("/big.m4r"), NSURLErrorDataLengthExceedsMaximum},
      {server.url("/endless"), NSURLErrorDataLengthExceedsMaximum},
      {"file:///tmp/tone.m4r", NSURLErrorUnsupportedURL},
  };
  for (const auto& [link, code] : failures) {
    EXPECT_FALSE(load(link).has_value()) << link;
    EXPECT_EQ(lastErrorCode, code) << link;
  }
  EXPECT_EQ(server.requestsTo("/tone.m4r"), 2) << "the eleventh hop is never taken";

  URLLoadLimits limits = urlLoadLimits();
  limits.totalTimeout = 300ms;
  setURLLoadLimits(limits);
  server.stallAt("/slow.m4r");
  EXPECT_EQ(load(server.url("/slow.m4r")), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorTimedOut);
}

// A certificate for 127.0.0.1 that signs itself: no authority vouches for it.
struct SelfSignedCertificate {
  SelfSignedCertificate() : key(EVP_EC_gen("P-256"), EVP_PKEY_free), certificate(X509_new(), X509_free) {
    X509* x509 = certificate.get();
    X509_set_version(x509, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x509), 1);
    X509_gmtime_adj(X509_getm_notBefore(x509), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x509), 3600);
    X509_set_pubkey(x509, key.get());
    X509_NAME* name = X509_get_subject_name(x509);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                               -1, -1, 0);
    X509_set_issuer_name(x509, name);
    X509_sign(x509, key.get(), EVP_sha256());
  }
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key;
  std::unique_ptr<X509, decltype(&X509_free)> certificate;
};

TEST_F(URLLoadingTest, AnHttpsServerMustProveWhoItIs) {
  SelfSignedCertificate self;
  httplib::SSLServer secure(self.certificate.get(), self.key.get());
  secure.Get("/tone.m4r", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("tone", "audio/x-m4r");
  });
  const int port = secure.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread serving([&secure] { secure.listen_after_bind(); });
  while (!secure.is_running()) std::this_thread::sleep_for(1ms);

  EXPECT_EQ(load("https://127.0.0.1:" + std::to_string(port) + "/tone.m4r"), std::nullopt);
  EXPECT_EQ(lastErrorCode, NSURLErrorServerCertificateUntrusted);
  secure.stop();
  serving.join();
}

}  // namespace
