// Who may use the host: the gate's decision for each kind of request, the
// same gate in front of the running host, and the file that keeps the token.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "BuildPaths.h"
#include "HostServerFixture.h"
#include "dispatch/MainRunLoop.h"
#include "host/AccessGate.h"
#include "host/AccessToken.h"
#include "host/HostOptions.h"
#include "host/WebFiles.h"
#include "support/HostFiles.h"

using nlohmann::json;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

const std::string kToken = "0f1e2d3c4b5a69788796a5b4c3d2e1f0";
const std::string kShort = kToken.substr(0, kToken.size() - 1);

struct GateCase {
  std::string name;
  std::string target;
  std::string authorization{};
  std::string method = "GET";
  std::string host = "127.0.0.1:8080";
  std::optional<std::string> origin{};
  std::string protocol{};  // Sec-WebSocket-Protocol
  std::string cookie{};
  bool admitted = false;
};

const GateCase kGateCases[] = {
    {.name = "TokenInTheHeader", .target = "/api/screen", .authorization = "token " + kToken, .admitted = true},
    {.name = "SchemeInAnyCase", .target = "/api/action", .authorization = " Token " + kToken, .method = "POST", .admitted = true},
    {.name = "TokenInTheAddress", .target = "/api/links?token=" + kToken, .admitted = true},
    {.name = "TokenAsASubprotocol", .target = "/api/socket", .protocol = "chimewell, token." + kToken, .admitted = true},
    {.name = "NoToken", .target = "/api/screen"},
    {.name = "NoTokenForAnAction", .target = "/api/action", .method = "POST"},
    {.name = "EmptyTokenInTheAddress", .target = "/api/screen?token="},
    {.name = "EmptySubprotocolToken", .target = "/api/socket", .protocol = "chimewell, token."},
    {.name = "TokenADigitShort", .target = "/api/screen", .authorization = "token " + kShort},
    {.name = "TokenADigitShortInTheAddress", .target = "/api/events?token=" + kShort},
    {.name = "AnotherToken", .target = "/api/screen", .authorization = "token " + std::string(kToken.size(), 'f')},
    {.name = "BearerScheme", .target = "/api/screen", .authorization = "Bearer " + kToken},
    {.name = "TheOldCookie", .target = "/api/screen", .cookie = "a=b; chimewell-token-8080=" + kToken},
    {.name = "AClipWithoutToken", .target = "/clips/ab-1/0.wav"},
    {.name = "PageFilesWithoutToken", .target = "/app.js", .admitted = true},
    {.name = "HeadOfThePageWithoutToken", .target = "/", .method = "HEAD", .admitted = true},
    {.name = "PostToThePageWithoutToken", .target = "/", .method = "POST"},
    {.name = "AReboundHostName", .target = "/", .authorization = "token " + kToken, .host = "rebound.example:8080"},
    {.name = "OwnAddressOnAnotherPort", .target = "/", .host = "127.0.0.1:1"},
    {.name = "LocalhostInAnyCase", .target = "/", .host = "LOCALHOST:8080", .admitted = true},
    {.name = "TheListenAddress", .target = "/", .host = "192.168.1.20:8080", .admitted = true},
    {.name = "TheListenAddressOnAnotherPort", .target = "/", .host = "192.168.1.20:8081"},
    {.name = "AnotherAddressOfItsNetwork", .target = "/", .host = "192.168.1.21:8080"},
    {.name = "AnIPv6ListenAddress", .target = "/", .host = "[fe80::1]:8080", .admitted = true},
    {.name = "OwnOrigin", .target = "/", .origin = "http://127.0.0.1:8080", .admitted = true},
    {.name = "OriginOfTheListenAddress", .target = "/", .origin = "http://192.168.1.20:8080", .admitted = true},
    {.name = "AnotherSitesOrigin", .target = "/api/action", .authorization = "token " + kToken, .method = "POST",
     .origin = "http://elsewhere.example"},
    {.name = "AnotherLocalServersOrigin", .target = "/", .origin = "http://127.0.0.1:8081"},
};

class AccessGateTest : public ::testing::TestWithParam<GateCase> {};

TEST_P(AccessGateTest, AdmitsOnlyTheTokenAndTheOwnNames) {
  std::vector<std::string> names = parseHostOptions({"--listen", "192.168.1.20"}).listen.hostNames();
  for (const auto& v6 : parseHostOptions({"--listen", "FE80:0:0::1"}).listen.hostNames()) names.push_back(v6);
  const AccessGate gate(kToken, 8080, names);
  const GateCase& test = GetParam();
  HostRequest request;
  request.method = test.method;
  request.target = test.target;
  request.path = test.target.substr(0, test.target.find('?'));
  request.authorization = test.authorization;
  request.host = test.host;
  request.origin = test.origin;
  request.cookie = test.cookie;
  if (!test.protocol.empty()) request.headers.emplace_back("Sec-WebSocket-Protocol", test.protocol);
  EXPECT_EQ(!gate.admit(request).refusal, test.admitted);
}

INSTANTIATE_TEST_SUITE_P(Requests, AccessGateTest, ::testing::ValuesIn(kGateCases),
                         [](const ::testing::TestParamInfo<GateCase>& test) { return test.param.name; });

using AccessTest = HostServerFixture;

TEST_F(AccessTest, TheRunningHostRefusesInPlainWordsWithoutTheTokenAndServesWithIt) {
  httplib::Client bare("127.0.0.1", port());  // brings only what each request names: no token
  const std::string own = "127.0.0.1:" + std::to_string(port());
  const std::string tap = json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump();
  auto refused = bare.Post("/api/action", {{"Cookie", "chimewell-token-" + std::to_string(port()) + "=" + token()}}, tap,
                           "application/json");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 403);
  EXPECT_NE(json::parse(refused->body)["error"].get<std::string>().find("no longer opens"), std::string::npos);
  EXPECT_EQ(refused->get_header_value("Connection"), "close") << "a refused client tries again on the same connection";
  EXPECT_EQ(refused->get_header_value("Set-Cookie"),
            "chimewell-token-" + std::to_string(port()) + "=; Max-Age=0; Path=/; HttpOnly; SameSite=Strict");
  // A DNS-rebinding site is told the names to use: JSON for the script, text for the address bar.
  auto rebound = client().Get("/", {{"Host", "rebound.example:" + std::to_string(port())}});
  EXPECT_EQ(rebound->status, 403);
  EXPECT_NE(rebound->body.find(own), std::string::npos);
  EXPECT_NE(client().Get("/api/links", {{"Host", "rebound.example"}})->body.find(own), std::string::npos);
  // Any page may send a form-like "simple request" without asking first.
  auto simple = client().Post("/api/action", tap, "text/plain");
  EXPECT_EQ(simple->status, 415);
  EXPECT_NE(simple->body.find("application/json"), std::string::npos);
  EXPECT_EQ(getJson("/api/screen")["screen"]["depth"], 1);

  // The page holds nothing private and comes without the token, under its policy.
  EXPECT_NE(bare.Get("/")->get_header_value("Content-Security-Policy").find("script-src 'self'"), std::string::npos);
  EXPECT_EQ(bare.Get("/api/links?token=" + token())->status, 200);
  auto action = bare.Post("/api/action", {{"Authorization", "token " + token()}, {"Origin", "http://" + own}}, tap,
                          "application/json; charset=UTF-8");
  EXPECT_EQ(json::parse(action->body)["screen"]["depth"], 2);
}

TEST_F(AccessTest, AHostListeningElsewhereAnswersThereUnderThatNameAndStillWantsTheToken) {
  HostServer other(app(), MainRunLoop::main(), fs::path(CHIMEWELL_SOURCE_DIR) / "web", token());
  const int otherPort = other.bind(0, *parseListenAddress("127.0.0.2"));
  std::thread serving([&] { other.serve(); });
  httplib::Client there("127.0.0.2", otherPort);
  EXPECT_EQ(there.Get("/api/links", {{"Authorization", "token " + token()}})->status, 200);
  EXPECT_EQ(there.Get("/api/links")->status, 403);
  EXPECT_FALSE(httplib::Client("127.0.0.1", otherPort).Get("/api/links"));
  other.stop();
  serving.join();
}

class AccessFilesTest : public ChimewellTest {
 protected:
  fs::path file() const { return deviceRootPath() / "data" / "chimewell" / "access-token"; }
  static unsigned mode(const fs::path& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode & 07777;
  }
};

TEST_F(AccessFilesTest, TheTokenLastsInAFileOnlyItsUserReadsUntilANewOneIsAsked) {
  const KeptAccessToken first = keptAccessToken(file(), false);
  EXPECT_TRUE(isAccessTokenText(first.token));
  EXPECT_FALSE(first.replacedBecause);
  EXPECT_EQ(mode(file()), 0600u);
  EXPECT_EQ(mode(file().parent_path()), 0700u);
  EXPECT_EQ(keptAccessToken(file(), false).token, first.token);

  const KeptAccessToken fresh = keptAccessToken(file(), true);
  EXPECT_NE(fresh.token, first.token);
  EXPECT_EQ(keptAccessToken(file(), false).token, fresh.token);
  // One an earlier version kept went to every local port in a cookie: it is retired, once.
  const fs::path earlier = file().parent_path() / "earlier-token";
  writeHostFile(earlier, fresh.token + "\n");
  const KeptAccessToken retired = keptAccessToken(file(), false, earlier);
  EXPECT_NE(retired.token, fresh.token);
  EXPECT_TRUE(retired.replacedBecause);
  EXPECT_EQ(keptAccessToken(file(), false, earlier).token, retired.token);
  EXPECT_EQ(std::distance(fs::directory_iterator(file().parent_path()), {}), 1) << "only the file is left";
}

TEST_F(AccessFilesTest, AFileThatCannotBeTrustedIsReplacedAndNeverFollowed) {
  const std::string kept = keptAccessToken(file(), false).token;
  fs::permissions(file(), fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
  KeptAccessToken replaced = keptAccessToken(file(), false);
  EXPECT_NE(replaced.token, kept);
  EXPECT_EQ(replaced.replacedBecause, "other users could read it");
  EXPECT_EQ(mode(file()), 0600u);

  // A link planted in its place is replaced, and what it points to is left alone.
  const fs::path elsewhere = deviceRootPath() / "elsewhere";
  writeHostFile(elsewhere, kept);
  fs::remove(file());
  fs::create_symlink(elsewhere, file());
  EXPECT_NE(keptAccessToken(file(), false).token, kept);
  EXPECT_FALSE(fs::is_symlink(file()));
  EXPECT_EQ(readHostFile(elsewhere), kept);

  writeHostFile(file(), "not a token\n");
  fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
  EXPECT_EQ(keptAccessToken(file(), false).replacedBecause, "it held no usable token");
}

TEST_F(AccessFilesTest, ThePagesFilesComeOnlyFromTheirFolderNeverThroughALinkOut) {
  const fs::path web = deviceRootPath() / "web";
  writeHostFile(web / "index.html", "<!doctype html>");
  writeHostFile(web / "icons" / "a.svg", "<svg/>");
  writeHostFile(deviceRootPath() / "secret.js", "secret");
  writeHostFile(web / ".hidden.js", "hidden");
  fs::create_symlink(deviceRootPath() / "secret.js", web / "out.js");
  fs::create_symlink(web / "index.html", web / "same.html");

  EXPECT_EQ(webFileResponse(web, "/").body, "<!doctype html>");
  EXPECT_EQ(webFileResponse(web, "/icons/a.svg").contentType, "image/svg+xml");
  EXPECT_EQ(webFileResponse(web, "/same.html").status, 200);
  for (const std::string& path : {"/out.js"s, "/../secret.js"s, "/icons/../../secret.js"s, "/.hidden.js"s, "/icons"s,
                                  "/missing.js"s, "//etc/passwd"s, "/index.html/"s, "/index.html\0.png"s})
    EXPECT_EQ(webFileResponse(web, path).status, 404) << path;
}

}  // namespace
