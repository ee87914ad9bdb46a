#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "BuildPaths.h"
#include "HostServerFixture.h"
#include "dispatch/MainRunLoop.h"
#include "host/HostApp.h"
#include "mail/MFMailComposeViewController.h"

using nlohmann::json;
using ::testing::HasSubstr;

namespace {

using HostServerTest = HostServerFixture;
const json kOpenPane = {{"action", "tapRowByText"}, {"text", "Chimewell"}};

TEST_F(HostServerTest, EachScreenIsNewerAndNamesTheHostItsPageAndThePageBackLeadsTo) {
  const json first = getJson("/api/screen");
  const std::string host = first["host"];
  EXPECT_EQ(host.size(), 16u);
  EXPECT_FALSE(first["screen"].contains("backPageId"));
  const json pane = act(kOpenPane);
  EXPECT_GT(pane["version"], first["version"]);
  EXPECT_EQ(pane["host"], host);
  EXPECT_EQ(pane["screen"]["pageClass"], "ChimewellPreferencesController");
  EXPECT_EQ(pane["screen"]["navigationBar"]["backTitle"], "Settings");
  EXPECT_EQ(pane["screen"]["backPageId"], first["screen"]["pageId"]);
  // The same class pushed again is another page.
  const json again = act({{"action", "push"}, {"class", "ChimewellPreferencesController"}});
  EXPECT_NE(again["screen"]["pageId"], pane["screen"]["pageId"]);
  EXPECT_EQ(again["screen"]["backPageId"], pane["screen"]["pageId"]);

  const json back = act({{"action", "goBack"}});
  EXPECT_GT(back["version"], again["version"]);
  EXPECT_EQ(back["screen"]["pageId"], pane["screen"]["pageId"]);
  EXPECT_EQ(getJson("/api/screen")["version"], back["version"]) << "asked again without a change";
}

struct BadAction {
  const char* name;
  std::string body;
  int status;
  const char* error;  // what the plain words hold
};
void PrintTo(const BadAction& action, std::ostream* out) { *out << action.name; }

const BadAction kBadActions[] = {
    {"NotJson", "{not json", 400, "the action is not JSON"},
    {"UnknownAction", R"({"action":"fly"})", 400, "unknown action \"fly\""},
    {"MissingId", R"({"action":"tapRow"})", 400, "the action needs a text \"id\""},
    {"NoSuchPageClass", R"({"action":"push","class":"NoSuchPage"})", 400,
     "no page class named \"NoSuchPage\" is exported by the loaded panes"},
    {"NoSuchRow", R"({"action":"tapRow","id":"s7r7"})", 400, "s7r7"},
    {"ActionNotText", R"({"action":42})", 400, "action"},
    {"IdNotText", R"({"action":"tapRow","id":7})", 400, "id"},
    {"NotAnObject", "[1,2]", 400, "action"},
    {"NestedDeep", std::string(100000, '[') + std::string(100000, ']'), 400, "action"},
    {"TypedTextOver64KiB", json{{"action", "typeText"}, {"text", std::string((64 << 10) + 1, 'a')}}.dump(), 413, "64 KiB"},
    {"AlertFieldOver64KiB",
     json{{"action", "tapAlertAction"}, {"title", "OK"}, {"fields", {"short", std::string(70 << 10, 'b')}}}.dump(), 413,
     "64 KiB"},
};

class BadActionTest : public HostServerFixture, public ::testing::WithParamInterface<BadAction> {};

TEST_P(BadActionTest, IsRefusedInPlainWordsAndChangesNothing) {
  auto answer = client().Post("/api/action", GetParam().body, "application/json");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, GetParam().status);
  const std::string error = json::parse(answer->body).value("error", "");
  EXPECT_THAT(error, HasSubstr(GetParam().error));
  EXPECT_THAT(error, ::testing::Not(HasSubstr("json"))) << "a library's words";
  EXPECT_EQ(getJson("/api/screen")["screen"]["depth"], 1);
}

INSTANTIATE_TEST_SUITE_P(Bodies, BadActionTest, ::testing::ValuesIn(kBadActions),
                         [](const ::testing::TestParamInfo<BadAction>& test) { return std::string(test.param.name); });

// Cancelling is the browser suite's.
TEST_F(HostServerTest, TheMailSheetSendsThePersonsOwnSubjectAndMessage) {
  onMain([] { MFMailComposeViewController::setCanSendMail(true); });
  act(kOpenPane);
  ASSERT_TRUE(act({{"action", "tapRowByText"}, {"text", "Report"}})["screen"].contains("mail"));
  const json body = act({{"action", "sendMail"}, {"subject", "Crash"}, {"body", "It rang twice."}});
  EXPECT_FALSE(body["screen"].contains("mail"));
  ASSERT_EQ(body["links"].size(), 1u);
  EXPECT_THAT(body["links"][0]["url"].get<std::string>(), HasSubstr("?subject=Crash&body=It%20rang%20twice."));
  onMain([] { MFMailComposeViewController::setCanSendMail(false); });
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
  EXPECT_THAT(json::parse(refused->body)["error"].get<std::string>(), HasSubstr("too many pages"));

  const json opened = act(kOpenPane);
  for (auto& page : pages) {
    EXPECT_TRUE(page->waitFor("screen", [&](const json& data) { return data["version"] == opened["version"]; }));
  }
}

TEST_F(HostServerTest, ATakenPortIsRefused) {
  HostServer second(app(), MainRunLoop::main(), std::filesystem::path(CHIMEWELL_SOURCE_DIR) / "web", token());
  EXPECT_THAT([&] { second.bind(port()); }, ::testing::ThrowsMessage<std::runtime_error>(HasSubstr("in use")));
}

}  // namespace
