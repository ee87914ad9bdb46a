#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "BuildPaths.h"
#include "HostServerFixture.h"
#include "dispatch/MainRunLoop.h"
#include "foundation/NSURL.h"
#include "host/ActionCheck.h"
#include "host/HostApp.h"
#include "mail/MFMailComposeViewController.h"
#include "uikit/UIApplication.h"

using nlohmann::json;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

namespace {

class HostServerTest : public HostServerFixture {
 protected:
  static std::vector<std::string> rowTexts(const json& screen) {
    std::vector<std::string> texts;
    for (const auto& section : screen["table"]["sections"])
      for (const auto& row : section["rows"]) texts.push_back(row.value("text", ""));
    return texts;
  }
  json openPane() { return act({{"action", "tapRowByText"}, {"text", "Chimewell"}}); }
};

TEST_F(HostServerTest, TheFirstPageListsThePaneWithItsIconServedAsCacheablePng) {
  const json body = getJson("/api/screen");
  const json& screen = body["screen"];
  EXPECT_EQ(screen["navigationBar"]["title"], "Settings");
  EXPECT_FALSE(screen["navigationBar"].contains("backTitle"));
  ASSERT_EQ(rowTexts(screen), std::vector<std::string>{"Chimewell"});
  const json& row = screen["table"]["sections"][0]["rows"][0];
  EXPECT_EQ(row["accessory"], "disclosure");
  ASSERT_TRUE(row.contains("image"));

  auto image = client().Get(row["image"]["src"].get<std::string>());
  ASSERT_TRUE(image && image->status == 200);
  EXPECT_EQ(image->get_header_value("Content-Type"), "image/png");
  EXPECT_NE(image->get_header_value("Cache-Control").find("immutable"), std::string::npos);
  EXPECT_EQ(image->body.substr(1, 3), "PNG");
  EXPECT_EQ(client().Get("/images/0123456789abcdef.png")->status, 404);
}

TEST_F(HostServerTest, ATapOpensThePaneAndBackReturnsWithANewerScreenEachTime) {
  const json first = getJson("/api/screen");
  const json opened = openPane();
  EXPECT_GT(opened["version"], first["version"]);
  EXPECT_EQ(opened["screen"]["pageClass"], "ChimewellPreferencesController");
  EXPECT_EQ(opened["screen"]["depth"], 2);
  EXPECT_EQ(opened["screen"]["navigationBar"]["backTitle"], "Settings");
  // Each section's row crosses; the root suite owns their texts.
  EXPECT_EQ(rowTexts(opened["screen"]).size(), 3u);

  const json back = act({{"action", "goBack"}});
  EXPECT_GT(back["version"], opened["version"]);
  EXPECT_EQ(back["screen"]["depth"], 1);
  // Asking again without a change keeps the number.
  EXPECT_EQ(getJson("/api/screen")["version"], back["version"]);
}

TEST_F(HostServerTest, BadActionsAreRefusedWithAMessageAndTheUnchangedScreen) {
  int status = 0;
  auto raw = client().Post("/api/action", "{not json", "application/json");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->status, 400);
  EXPECT_EQ(json::parse(raw->body)["error"], "the action is not JSON");

  json body = act({{"action", "fly"}}, &status);
  EXPECT_EQ(status, 400);
  EXPECT_EQ(body["error"], "unknown action \"fly\"");
  EXPECT_EQ(body["screen"]["depth"], 1);

  body = act({{"action", "tapRow"}}, &status);
  EXPECT_EQ(status, 400);
  EXPECT_EQ(body["error"], "the action needs a text \"id\"");

  body = act({{"action", "push"}, {"class", "NoSuchPage"}}, &status);
  EXPECT_EQ(status, 400);
  EXPECT_EQ(body["error"], "no page class named \"NoSuchPage\" is exported by the loaded panes");

  body = act({{"action", "tapRow"}, {"id", "s7r7"}}, &status);
  EXPECT_EQ(status, 400);
  EXPECT_FALSE(body["error"].get<std::string>().empty());
  EXPECT_EQ(body["screen"]["depth"], 1);
}

TEST_F(HostServerTest, ALinkGoesToTheActionThatOpenedItAndOnlyOthersToTheEventStream) {
  auto events = openEvents();
  ASSERT_TRUE(events->waitFor("screen"));
  openPane();
  const json body = act({{"action", "tapRowByText"}, {"text", "Follow on Twitter"}});
  ASSERT_EQ(body["links"].size(), 1u);
  const std::string url = body["links"][0]["url"];
  EXPECT_TRUE(url.starts_with("https://")) << url;
  EXPECT_EQ(body["links"][0]["sequence"], 1);

  // Opened by work of its own (no action): every page hears of it. Streams
  // keep their order, so the first link heard shows the action's was not sent.
  onMain([] {
    UIApplication::sharedApplication()->openURLOptionsCompletionHandler(
        NSURL::URLWithString("https://example.com/later"), {}, nullptr);
  });
  auto event = events->waitFor("link");
  ASSERT_TRUE(event);
  EXPECT_EQ(json::parse(event->data), (json{{"sequence", 2}, {"url", "https://example.com/later"}}));
  EXPECT_EQ(getJson("/api/links")["links"].size(), 2u);
  // An action that opens nothing carries no links.
  EXPECT_TRUE(act({{"action", "goBack"}})["links"].empty());
}

TEST_F(HostServerTest, EveryScreenNamesTheHostInstanceAndItsPage) {
  const json first = getJson("/api/screen");
  const std::string host = first["host"];
  EXPECT_EQ(host.size(), 16u);
  auto events = openEvents();
  auto event = events->waitFor("screen");
  ASSERT_TRUE(event);
  EXPECT_EQ(json::parse(event->data)["host"], host);

  // One number per page object: the same class pushed again is another page,
  // and going back finds the earlier page's number.
  const json pane = act({{"action", "push"}, {"class", "ChimewellPreferencesController"}});
  const json again = act({{"action", "push"}, {"class", "ChimewellPreferencesController"}});
  EXPECT_EQ(pane["host"], host);
  EXPECT_NE(pane["screen"]["pageId"], first["screen"]["pageId"]);
  EXPECT_NE(again["screen"]["pageId"], pane["screen"]["pageId"]);
  // Each names the page a Back returns to; the first page names none.
  EXPECT_FALSE(first["screen"].contains("backPageId"));
  EXPECT_EQ(pane["screen"]["backPageId"], first["screen"]["pageId"]);
  EXPECT_EQ(again["screen"]["backPageId"], pane["screen"]["pageId"]);
  EXPECT_EQ(act({{"action", "goBack"}})["screen"]["pageId"], pane["screen"]["pageId"]);
}

TEST_F(HostServerTest, ATapMadeOnAScreenThatHasSinceChangedIsNotRunAndTheCurrentScreenComesBack) {
  const json settings = getJson("/api/screen");
  const json host = settings["host"];
  // Another tab opens the pane from the same list.
  const json pane =
      act({{"action", "tapRow"}, {"id", "s0r0"}, {"host", host}, {"screen", settings["version"]}, {"tab", "B"}});

  // This tab still shows the Settings list and taps its first row.
  int status = 0;
  json body = act({{"action", "tapRow"}, {"id", "s0r0"}, {"host", host}, {"screen", settings["version"]}}, &status);
  EXPECT_EQ(status, 409);
  EXPECT_EQ(body["error"], kPageChangedMessage);
  EXPECT_EQ(body["changedBy"], "B") << "the tab whose action changed the page";
  EXPECT_EQ(body["version"], pane["version"]);
  EXPECT_EQ(body["screen"]["depth"], 2) << "nothing was done";

  // Made on the screen as it is, a tap runs.
  body = act({{"action", "goBack"}, {"host", host}, {"screen", pane["version"]}}, &status);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body["screen"]["depth"], 1);
  // Ending an edit that another tab already ended is no error and does nothing.
  body = act({{"action", "endEditing"}, {"host", host}, {"pageId", body["screen"]["pageId"]}, {"id", "s0r0/field0"}},
             &status);
  EXPECT_EQ(status, 200);
  EXPECT_FALSE(body.contains("error"));
}

// Cancelling is the browser suite's; the mail suite owns the link's encoding.
TEST_F(HostServerTest, TheMailSheetSendsThePersonsOwnSubjectAndMessage) {
  onMain([] { MFMailComposeViewController::setCanSendMail(true); });
  openPane();
  ASSERT_TRUE(act({{"action", "tapRowByText"}, {"text", "Report"}})["screen"].contains("mail"));
  const json body = act({{"action", "sendMail"}, {"subject", "Crash"}, {"body", "It rang twice."}});
  EXPECT_FALSE(body["screen"].contains("mail"));
  ASSERT_EQ(body["links"].size(), 1u);
  EXPECT_THAT(body["links"][0]["url"].get<std::string>(),
              AllOf(StartsWith("mailto:"), HasSubstr("?subject=Crash&body=It%20rang%20twice.")));
  onMain([] { MFMailComposeViewController::setCanSendMail(false); });
}

TEST_F(HostServerTest, RequestsFromOtherSitesAreRefusedAndChangeNothing) {
  const std::string own = "127.0.0.1:" + std::to_string(port());
  const std::string tap = json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump();
  const json before = getJson("/api/screen");
  auto statusOf = [](const httplib::Result& answer) { return answer ? answer->status : 0; };

  // A DNS-rebinding site reaches the port under its own name.
  for (const std::string path : {"/api/screen", "/", "/api/links"}) {
    auto refused = client().Get(path, {{"Host", "rebound.example:" + std::to_string(port())}});
    ASSERT_EQ(statusOf(refused), 403) << path;
    // Plain words: JSON for the page's script, text for the browser's address bar.
    const std::string message = path == "/" ? refused->body : json::parse(refused->body)["error"].get<std::string>();
    EXPECT_NE(message.find(own), std::string::npos) << path;
  }
  EXPECT_EQ(statusOf(client().Post("/api/action", {{"Host", "rebound.example"}}, tap, "application/json")), 403);
  EXPECT_EQ(statusOf(client().Get("/api/screen", {{"Host", "127.0.0.1:1"}})), 403);
  // The same port by another name of this machine is the page's own.
  EXPECT_EQ(statusOf(client().Get("/api/screen", {{"Host", "localhost:" + std::to_string(port())}})), 200);

  // Any page may send a form-like "simple request" without asking first.
  auto simple = client().Post("/api/action", tap, "text/plain");
  ASSERT_EQ(statusOf(simple), 415);
  EXPECT_NE(simple->body.find("application/json"), std::string::npos);

  EXPECT_EQ(statusOf(client().Post("/api/action", {{"Origin", "http://elsewhere.example"}}, tap, "application/json")),
            403);
  // A page of another server on this machine is another origin too.
  EXPECT_EQ(statusOf(client().Get("/api/screen", {{"Origin", "http://127.0.0.1:" + std::to_string(port() + 1)}})),
            403);
  EXPECT_EQ(getJson("/api/screen")["version"], before["version"]);

  // The page itself, with its own origin and a charset, is served as always.
  auto ownPage = client().Post("/api/action", {{"Origin", "http://" + own}}, tap, "application/json; charset=UTF-8");
  ASSERT_EQ(statusOf(ownPage), 200);
  EXPECT_EQ(json::parse(ownPage->body)["screen"]["depth"], 2);
}

TEST_F(HostServerTest, EventStreamsBeyondTheCapAreRefusedAndRequestsAreStillAnswered) {
  std::vector<std::unique_ptr<EventStreamReader>> pages;
  for (std::size_t i = 0; i < HostServer::kMaxEventStreams; ++i) {
    pages.push_back(openEvents());
    ASSERT_TRUE(pages.back()->waitFor("busy"));
  }
  auto refused = client().Get("/api/events");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  EXPECT_NE(json::parse(refused->body)["error"].get<std::string>().find("too many pages"), std::string::npos);

  // Requests are still answered, and the open pages still hear of changes.
  const json opened = openPane();
  EXPECT_EQ(opened["screen"]["depth"], 2);
  for (auto& page : pages) {
    EXPECT_TRUE(page->waitFor("screen", [&](const json& data) { return data["version"] == opened["version"]; }));
  }
}

TEST_F(HostServerTest, TheScreenIsWatchedOnlyWhileAPageListens) {
  onMain([this] { app().pushPage("ChimewellPreferencesController"); });
  advance(HostServer::kWatchInterval);

  // Nobody listened, so the change was not looked for: a page that opens now
  // first hears of the screen as last published...
  auto events = openEvents();
  auto first = events->waitFor("screen");
  ASSERT_TRUE(first);
  EXPECT_EQ(json::parse(first->data)["screen"]["depth"], 1);
  // ...and of the change within one interval.
  advance(HostServer::kWatchInterval);
  auto changed = events->waitFor("screen");
  ASSERT_TRUE(changed);
  EXPECT_EQ(json::parse(changed->data)["screen"]["depth"], 2);
}

TEST_F(HostServerTest, ServesTheBrowserPageAndRefusesATakenPort) {
  auto page = client().Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->get_header_value("Content-Type").find("text/html"), std::string::npos);
  EXPECT_NE(page->body.find("app.js"), std::string::npos);  // which the browser suites load

  // The page's font, from Debian's fonts-inter; nothing else of its folder.
  auto font = client().Get("/fonts/Inter-Regular.otf");
  ASSERT_TRUE(font);
  EXPECT_EQ(font->status, 200);
  EXPECT_EQ(font->get_header_value("Content-Type"), "font/otf");
  EXPECT_EQ(font->body.substr(0, 4), "OTTO");
  EXPECT_EQ(client().Get("/fonts/Inter-Thin.otf")->status, 404);
  EXPECT_EQ(client().Get("/fonts/..%2F..%2F..%2Fetc%2Fpasswd")->status, 404);

  HostServer second(app(), MainRunLoop::main(), std::filesystem::path(CHIMEWELL_SOURCE_DIR) / "web", token());
  EXPECT_THAT([&] { second.bind(port()); }, ThrowsMessage<std::runtime_error>(HasSubstr("in use")));
}

}  // namespace
