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
  const std::string wrong = makeAccessToken();
  const std::vector<httplib::Headers> attempts{
      {},
      {{"Authorization", "token " + wrong}},
      {{"Cookie", cookieName() + "=" + wrong}},
      // The right token under the name of another host's port is not this host's cookie.
      {{"Cookie", "chimewell-token-" + std::to_string(port() + 1) + "=" + token()}},
      {{"Authorization", "Bearer " + token()}},
  };
  const std::vector<std::string> paths{"/",          "/app.js", "/api/screen", "/api/events", "/api/links",
                                      image, "/fonts/Inter-Regular.otf", "/?token=" + wrong};
  for (const auto& headers : attempts) {
    for (const auto& path : paths) {
      auto refused = bare().Get(path, headers);
      ASSERT_TRUE(refused);
      EXPECT_EQ(refused->status, 403) << path;
      EXPECT_TRUE(refused->get_header_value("Set-Cookie").empty());
    }
    auto action = bare().Post("/api/action", headers, tap, "application/json");
    ASSERT_TRUE(action);
    EXPECT_EQ(action->status, 403);
    EXPECT_NE(json::parse(action->body)["error"].get<std::string>().find("no longer opens"), std::string::npos);
  }
  auto page = bare().Get("/");
  EXPECT_EQ(page->get_header_value("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_NE(page->body.find("Open the address the host printed"), std::string::npos);
  EXPECT_EQ(version(), before);
  EXPECT_EQ(getJson("/api/screen")["screen"]["depth"], 1);
}

TEST_F(AccessTest, TheTokenInTheAddressSetsAStrictCookieThatAloneOpensEverythingAfter) {
  auto first = bare().Get("/?token=" + token() + "&push=ChimewellPreferencesController");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 200);
  EXPECT_EQ(first->get_header_value("Set-Cookie"),
            cookieName() + "=" + token() + "; Path=/; HttpOnly; SameSite=Strict");

  const httplib::Headers cookie{{"Cookie", "theme=dark; " + cookieName() + "=" + token()}};
  EXPECT_EQ(bare().Get("/app.js", cookie)->status, 200);
  auto screen = bare().Get("/api/screen", cookie);
  EXPECT_EQ(screen->status, 200);
  EXPECT_TRUE(screen->get_header_value("Set-Cookie").empty());
  auto action = bare().Post("/api/action", cookie, json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump(),
                            "application/json");
  EXPECT_EQ(action->status, 200);
  EXPECT_EQ(json::parse(action->body)["screen"]["depth"], 2);
  // The token in the header, as a program would send it.
  EXPECT_EQ(bare().Get("/api/links", {{"Authorization", "Token " + token()}})->status, 200);
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
  request.cookie = gate.cookieName() + "=" + token;
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
