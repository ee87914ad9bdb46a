#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
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
namespace fs = std::filesystem;

namespace {

class AccessTest : public HostServerFixture {
 protected:
  // A client that brings only what each request names: no token.
  httplib::Client& bare() {
    if (!bare_) bare_ = std::make_unique<httplib::Client>("127.0.0.1", port());
    return *bare_;
  }
  std::string cookieName() const { return "chimewell-token-" + std::to_string(port()); }
  int version() { return getJson("/api/screen")["version"]; }

 private:
  std::unique_ptr<httplib::Client> bare_;
};

TEST_F(AccessTest, WithoutTheRightTokenEveryRequestIsRefusedInPlainWordsAndNothingHappens) {
  const std::string image = getJson("/api/screen")["screen"]["table"]["sections"][0]["rows"][0]["image"]["src"];
  const int before = version();
  const std::string tap = json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump();
  const std::string cookie = cookieName() + "=" + token();
  // Each way a token comes, with no token, an empty one, one a digit short, and another's.
  for (const std::string& offered : {std::string(), token().substr(0, token().size() - 1), makeAccessToken()}) {
    const std::vector<std::pair<httplib::Headers, std::string>> attempts{
        {{}, ""},
        {{{"Authorization", "token " + offered}}, ""},
        {{}, "?token=" + offered},
        // The cookie an earlier version set opens nothing now, and is answered expired.
        {{{"Cookie", cookie}}, ""},
        {{{"Authorization", "Bearer " + token()}}, ""},
    };
    for (const auto& [headers, query] : attempts) {
      for (const std::string path : {"/api/screen", "/api/events", "/api/links", "/clips/ab-1/0.wav"}) {
        auto refused = bare().Get(path + query, headers);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 403) << path << query;
        EXPECT_EQ(refused->get_header_value("Connection"), "close") << "a refused client tries again on the same connection";
      }
      auto action = bare().Post("/api/action" + query, headers, tap, "application/json");
      ASSERT_TRUE(action);
      EXPECT_EQ(action->status, 403);
      EXPECT_NE(json::parse(action->body)["error"].get<std::string>().find("no longer opens"), std::string::npos);
      EXPECT_EQ(action->get_header_value("Set-Cookie"),
                headers.count("Cookie") ? cookieName() + "=; Max-Age=0; Path=/; HttpOnly; SameSite=Strict" : "");
    }
  }
  EXPECT_EQ(version(), before);
  EXPECT_EQ(getJson("/api/screen")["screen"]["depth"], 1);

  // The page's own files hold nothing private: they come without the token, the page under its policy.
  for (const std::string& path : {std::string("/"), std::string("/app.js"), image, std::string("/fonts/Inter-Regular.otf")})
    EXPECT_EQ(bare().Get(path)->status, 200) << path;
  EXPECT_NE(bare().Get("/")->get_header_value("Content-Security-Policy").find("script-src 'self'"), std::string::npos);
}

TEST_F(AccessTest, TheTokenOpensEverythingInAHeaderOrTheAddress) {
  EXPECT_EQ(bare().Get("/api/links?token=" + token())->status, 200);
  auto action = bare().Post("/api/action", {{"Authorization", " Token " + token()}},
                            json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump(), "application/json");
  EXPECT_EQ(action->status, 200);
  EXPECT_EQ(json::parse(action->body)["screen"]["depth"], 2);
}

TEST_F(AccessTest, AHostListeningElsewhereAnswersThereUnderThatNameAndStillWantsTheToken) {
  HostServer other(app(), MainRunLoop::main(), fs::path(CHIMEWELL_SOURCE_DIR) / "web", token());
  const int otherPort = other.bind(0, *parseListenAddress("127.0.0.2"));
  std::thread serving([&] { other.serve(); });
  httplib::Client there("127.0.0.2", otherPort);
  EXPECT_EQ(there.Get("/api/links", {{"Authorization", "token " + token()}})->status, 200);
  EXPECT_EQ(there.Get("/api/links")->status, 403);
  EXPECT_EQ(there.Get("/api/links", {{"Authorization", "token " + token()}, {"Host", "127.0.0.3:" + std::to_string(otherPort)}})
                ->status,
            403);
  EXPECT_FALSE(httplib::Client("127.0.0.1", otherPort).Get("/api/links"));
  other.stop();
  serving.join();
}

TEST(AccessGateTest, AListenAddressWidensTheOwnNamesToItAndNoFurther) {
  const std::string token = makeAccessToken();
  const AccessGate gate(token, 8080, parseHostOptions({"--listen", "192.168.1.20"}).listen.hostNames());
  EXPECT_TRUE(gate.isOwnHost("192.168.1.20:8080"));
  EXPECT_TRUE(gate.isOwnOrigin("http://192.168.1.20:8080"));
  EXPECT_TRUE(gate.isOwnHost("LOCALHOST:8080"));
  EXPECT_FALSE(gate.isOwnHost("192.168.1.21:8080"));
  EXPECT_FALSE(gate.isOwnHost("192.168.1.20:8081"));
  const AccessGate v6(token, 8080, parseHostOptions({"--listen", "FE80:0:0::1"}).listen.hostNames());
  EXPECT_TRUE(v6.isOwnHost("[fe80::1]:8080"));

  HostRequest request;
  request.host = "192.168.1.20:8080";
  request.target = "/api/screen";
  request.authorization = "token " + token;
  EXPECT_FALSE(gate.admit(request).refusal);
  // A fresh token shuts out the page that holds the old one.
  EXPECT_TRUE(AccessGate(makeAccessToken(), 8080, {"192.168.1.20"}).admit(request).refusal);
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
  EXPECT_EQ(mode(file()), 0600u);
  // One an earlier version kept went to every local port in a cookie: it is retired, once.
  const fs::path earlier = file().parent_path() / "earlier-token";
  writeHostFile(earlier, fresh.token + "\n");
  const KeptAccessToken retired = keptAccessToken(file(), false, earlier);
  EXPECT_NE(retired.token, fresh.token);
  EXPECT_TRUE(retired.replacedBecause);
  EXPECT_EQ(keptAccessToken(file(), false, earlier).token, retired.token);
  // Nothing but the file is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(file().parent_path()), {}), 1);
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
  replaced = keptAccessToken(file(), false);
  EXPECT_NE(replaced.token, kept);
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
  for (const std::string path : {"/out.js", "/../secret.js", "/icons/../../secret.js", "/.hidden.js", "/icons",
                                 "/missing.js", "//etc/passwd", "/index.html/"})
    EXPECT_EQ(webFileResponse(web, path).status, 404) << path;
}

}  // namespace
