// Whether a browser action still means what the person meant, when another
// tab moved the shared screen on meanwhile.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "host/ActionCheck.h"

using nlohmann::json;

namespace {

const std::string kHost = "0123456789abcdef";

json row(const std::string& id, const std::string& text, double y) {
  return {{"id", id}, {"text", text}, {"accessory", 1}, {"y", y}, {"selected", false}, {"textFields", json::array()}};
}

json page(int pageId, json rows) {
  return {{"pageId", pageId},
          {"depth", 2},
          {"navigationBar", {{"title", "Sounds"}, {"rightButton", {{"id", "nav/right"}, {"title", "Edit"}}}}},
          {"table", {{"sections", json::array({{{"index", 0}, {"rows", std::move(rows)}}})}}}};
}

json tapOn(const std::string& name, int screen, const std::string& id = "") {
  json action = {{"action", name}, {"host", kHost}, {"screen", screen}};
  if (!id.empty()) action["id"] = id;
  return action;
}

ActionFit check(const json& action, const std::optional<json>& seen, const json& current) {
  return checkAction(action, seen, current, kHost);
}

TEST(ActionCheck, ATapRunsWhileItsElementIsAsSeenWhateverElseMoved) {
  const json seen = page(3, json::array({row("s0r0", "Bell", 0), row("s0r1", "Chime", 44)}));
  // Scrolled, the other row changed, the tapped row selected: the same element.
  json moved = page(3, json::array({row("s0r0", "Bell (default)", 0), row("s0r1", "Chime", 40)}));
  moved["table"]["contentOffset"] = 120;
  moved["table"]["sections"][0]["rows"][1]["selected"] = true;
  EXPECT_EQ(check(tapOn("tapRow", 7, "s0r1"), seen, moved), ActionFit::applies);
  EXPECT_EQ(check(tapOn("goBack", 7), seen, moved), ActionFit::applies);
  EXPECT_EQ(check(tapOn("tapRightBarButton", 7), seen, moved), ActionFit::applies);

  // Scrolling, the viewport and actions that name no screen are never held back.
  EXPECT_EQ(check({{"action", "scroll"}, {"offset", 40}}, std::nullopt, moved), ActionFit::applies);
  EXPECT_EQ(check({{"action", "tapRow"}, {"id", "s0r9"}}, std::nullopt, moved), ActionFit::applies);
}

TEST(ActionCheck, ATapIsRefusedWhenItsElementPageOrHostChanged) {
  const json seen = page(3, json::array({row("s0r0", "Bell", 0), row("s0r1", "Chime", 44)}));
  const json filtered = page(3, json::array({row("s0r0", "Chime", 0)}));
  EXPECT_EQ(check(tapOn("tapRow", 7, "s0r0"), seen, filtered), ActionFit::changed) << "another row in its place";
  EXPECT_EQ(check(tapOn("tapRow", 7, "s0r1"), seen, filtered), ActionFit::changed) << "the row is gone";

  const json samePageAgain = page(4, json::array({row("s0r0", "Bell", 0), row("s0r1", "Chime", 44)}));
  EXPECT_EQ(check(tapOn("tapRow", 7, "s0r0"), seen, samePageAgain), ActionFit::changed) << "a new page of that class";
  EXPECT_EQ(check(tapOn("goBack", 7), seen, samePageAgain), ActionFit::changed);

  json alerted = seen;
  alerted["alert"] = {{"title", "Import"}, {"actions", json::array()}, {"textFields", json::array()}};
  EXPECT_EQ(check(tapOn("tapRow", 7, "s0r0"), seen, alerted), ActionFit::changed) << "an alert came over it";

  json renamed = seen;
  renamed["navigationBar"]["rightButton"]["title"] = "Done";
  EXPECT_EQ(check(tapOn("tapRightBarButton", 7), seen, renamed), ActionFit::changed);

  EXPECT_EQ(check(tapOn("tapRow", 7, "s0r0"), std::nullopt, seen), ActionFit::changed) << "no longer kept";
  json elsewhere = tapOn("tapRow", 7, "s0r0");
  elsewhere["host"] = "fedcba9876543210";
  EXPECT_EQ(check(elsewhere, seen, seen), ActionFit::changed) << "made on a host that has since restarted";
}

TEST(ActionCheck, ASwitchFlipsOnlyFromTheStateThePersonSaw) {
  json seen = page(3, json::array({row("s0r0", "Sound", 0)}));
  seen["table"]["sections"][0]["rows"][0]["switch"] = {{"id", "s0r0/switch"}, {"on", false}};
  json flippedElsewhere = seen;
  flippedElsewhere["table"]["sections"][0]["rows"][0]["switch"]["on"] = true;
  EXPECT_EQ(check(tapOn("flipSwitch", 7, "s0r0/switch"), seen, seen), ActionFit::applies);
  EXPECT_EQ(check(tapOn("flipSwitch", 7, "s0r0/switch"), seen, flippedElsewhere), ActionFit::changed);
  // A tap on the row itself does not care which way its switch stands.
  EXPECT_EQ(check(tapOn("tapRow", 7, "s0r0"), seen, flippedElsewhere), ActionFit::applies);
}

TEST(ActionCheck, TypingGoesToItsFieldOnItsPageOnly) {
  json current = page(3, json::array({row("s0r0", "Times", 0)}));
  current["table"]["sections"][0]["rows"][0]["textFields"] =
      json::array({{{"id", "s0r0/field0"}, {"text", "4"}, {"editing", true}}});
  auto typed = [](const std::string& name, int pageId) {
    return json{{"action", name}, {"host", kHost}, {"pageId", pageId}, {"id", "s0r0/field0"}, {"text", "42"}};
  };
  EXPECT_EQ(check(typed("editText", 3), std::nullopt, current), ActionFit::applies);
  EXPECT_EQ(check(typed("pressReturn", 3), std::nullopt, current), ActionFit::applies);
  EXPECT_EQ(check(typed("endEditing", 3), std::nullopt, current), ActionFit::applies);
  // Another app's page with the same layout, opened by another tab.
  EXPECT_EQ(check(typed("editText", 5), std::nullopt, current), ActionFit::changed);
  EXPECT_EQ(check(typed("endEditing", 5), std::nullopt, current), ActionFit::moot);

  json ended = current;
  ended["table"]["sections"][0]["rows"][0]["textFields"][0]["editing"] = false;
  EXPECT_EQ(check(typed("editText", 3), std::nullopt, ended), ActionFit::applies) << "typing taps the field again";
  EXPECT_EQ(check(typed("pressReturn", 3), std::nullopt, ended), ActionFit::changed);
  EXPECT_EQ(check(typed("endEditing", 3), std::nullopt, ended), ActionFit::moot);

  json search = {{"action", "setSearchText"}, {"host", kHost}, {"pageId", 3}, {"text", "ma"}};
  EXPECT_EQ(check(search, std::nullopt, current), ActionFit::changed) << "this page has no search bar";
  current["navigationBar"]["searchBar"] = {{"text", ""}, {"editing", true}};
  EXPECT_EQ(check(search, std::nullopt, current), ActionFit::applies);
}

}  // namespace
