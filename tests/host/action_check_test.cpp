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

// The screens a case names: what the person saw, and what is current now.
enum class Shown { none, page, moved, filtered, pageAgain, alerted, renamedButton, flipped, editEnded, searchBar };

json screen(Shown shown) {
  json page = json::parse(R"({"pageId": 3, "depth": 2,
    "navigationBar": {"title": "Sounds", "rightButton": {"id": "nav/right", "title": "Edit"}},
    "table": {"sections": [{"index": 0, "rows": [
      {"id": "s0r0", "text": "Bell", "y": 0, "selected": false, "switch": {"id": "s0r0/switch", "on": false},
       "textFields": [{"id": "s0r0/field0", "text": "4", "editing": true}]},
      {"id": "s0r1", "text": "Chime", "y": 44, "selected": false}]}]}})");
  json& rows = page["table"]["sections"][0]["rows"];
  switch (shown) {
    case Shown::moved:  // scrolled, the other row renamed, the tapped one selected, typed in
      page["table"]["contentOffset"] = 120;
      rows[0]["text"] = "Bell (default)";
      rows[0]["textFields"][0]["text"] = "42";
      rows[1]["y"] = 40;
      rows[1]["selected"] = true;
      break;
    case Shown::filtered: rows = json::array({{{"id", "s0r0"}, {"text", "Chime"}, {"y", 0}}}); break;
    case Shown::pageAgain: page["pageId"] = 4; break;
    case Shown::alerted: page["alert"] = {{"title", "Import"}, {"actions", json::array()}}; break;
    case Shown::renamedButton: page["navigationBar"]["rightButton"]["title"] = "Done"; break;
    case Shown::flipped: rows[0]["switch"]["on"] = true; break;
    case Shown::editEnded: rows[0]["textFields"][0]["editing"] = false; break;
    case Shown::searchBar: page["navigationBar"]["searchBar"] = {{"text", ""}, {"editing", true}}; break;
    default: break;
  }
  return page;
}

struct Case {
  const char* name;
  const char* action;  // the host is added unless named
  Shown seen;
  Shown current;
  ActionFit fit;
};

const Case kCases[] = {
    {"TapOnARowThatOnlyMoved", R"({"action":"tapRow","id":"s0r1","screen":7})", Shown::page, Shown::moved, ActionFit::applies},
    {"BackWhileThePageMoved", R"({"action":"goBack","screen":7})", Shown::page, Shown::moved, ActionFit::applies},
    {"ScrollNamesNoScreen", R"({"action":"scroll","offset":40})", Shown::none, Shown::moved, ActionFit::applies},
    {"TapThatNamesNoScreen", R"({"action":"tapRow","id":"s0r9"})", Shown::none, Shown::moved, ActionFit::applies},
    {"AnotherRowInItsPlace", R"({"action":"tapRow","id":"s0r0","screen":7})", Shown::page, Shown::filtered, ActionFit::changed},
    {"TheRowIsGone", R"({"action":"tapRow","id":"s0r1","screen":7})", Shown::page, Shown::filtered, ActionFit::changed},
    {"ANewPageOfThatClass", R"({"action":"tapRow","id":"s0r0","screen":7})", Shown::page, Shown::pageAgain, ActionFit::changed},
    {"BackFromANewPage", R"({"action":"goBack","screen":7})", Shown::page, Shown::pageAgain, ActionFit::changed},
    {"AnAlertCameOverIt", R"({"action":"tapRow","id":"s0r0","screen":7})", Shown::page, Shown::alerted, ActionFit::changed},
    {"TheButtonWasRenamed", R"({"action":"tapRightBarButton","screen":7})", Shown::page, Shown::renamedButton, ActionFit::changed},
    {"TheButtonAsSeen", R"({"action":"tapRightBarButton","screen":7})", Shown::page, Shown::moved, ActionFit::applies},
    {"TheSeenScreenIsNoLongerKept", R"({"action":"tapRow","id":"s0r0","screen":7})", Shown::none, Shown::page, ActionFit::changed},
    {"MadeOnAHostSinceRestarted", R"({"action":"goBack","screen":7,"host":"fedcba9876543210"})", Shown::page, Shown::page, ActionFit::changed},
    {"FlipFromTheStateSeen", R"({"action":"flipSwitch","id":"s0r0/switch","screen":7})", Shown::page, Shown::page, ActionFit::applies},
    {"FlipOfASwitchFlippedElsewhere", R"({"action":"flipSwitch","id":"s0r0/switch","screen":7})", Shown::page, Shown::flipped, ActionFit::changed},
    {"TapOnTheRowOfAFlippedSwitch", R"({"action":"tapRow","id":"s0r0","screen":7})", Shown::page, Shown::flipped, ActionFit::applies},
    {"TypingOnItsPage", R"({"action":"editText","pageId":3,"id":"s0r0/field0","text":"42"})", Shown::none, Shown::page, ActionFit::applies},
    {"ReturnWhileEditing", R"({"action":"pressReturn","pageId":3,"id":"s0r0/field0"})", Shown::none, Shown::page, ActionFit::applies},
    {"EndingAnEdit", R"({"action":"endEditing","pageId":3,"id":"s0r0/field0"})", Shown::none, Shown::page, ActionFit::applies},
    {"TypingOnAnotherPage", R"({"action":"editText","pageId":5,"id":"s0r0/field0","text":"42"})", Shown::none, Shown::page, ActionFit::changed},
    {"EndingAnEditOnAnotherPage", R"({"action":"endEditing","pageId":5,"id":"s0r0/field0"})", Shown::none, Shown::page, ActionFit::moot},
    {"TypingUnderAnAlert", R"({"action":"editText","pageId":3,"id":"s0r0/field0","text":"42"})", Shown::none, Shown::alerted, ActionFit::changed},
    {"TypingTapsAnEndedFieldAgain", R"({"action":"editText","pageId":3,"id":"s0r0/field0","text":"42"})", Shown::none, Shown::editEnded, ActionFit::applies},
    {"ReturnAfterTheEditEnded", R"({"action":"pressReturn","pageId":3,"id":"s0r0/field0"})", Shown::none, Shown::editEnded, ActionFit::changed},
    {"LeavingWithTextBeforeTheTapArrived", R"({"action":"endEditing","pageId":3,"id":"s0r0/field0","text":"4"})", Shown::none, Shown::editEnded, ActionFit::applies},
    {"EndingAnEndedEdit", R"({"action":"endEditing","pageId":3,"id":"s0r0/field0"})", Shown::none, Shown::editEnded, ActionFit::moot},
    {"SearchWithoutASearchBar", R"({"action":"setSearchText","pageId":3,"text":"ma"})", Shown::none, Shown::page, ActionFit::changed},
    {"SearchInItsBar", R"({"action":"setSearchText","pageId":3,"text":"ma"})", Shown::none, Shown::searchBar, ActionFit::applies},
};

class ActionCheck : public ::testing::TestWithParam<Case> {};

TEST_P(ActionCheck, FitsTheScreenAsItIsNow) {
  const Case& test = GetParam();
  json action = json::parse(test.action);
  if (!action.contains("host")) action["host"] = kHost;
  const auto seen = test.seen == Shown::none ? std::nullopt : std::optional<json>(screen(test.seen));
  EXPECT_EQ(checkAction(action, seen, screen(test.current), kHost), test.fit);
}

INSTANTIATE_TEST_SUITE_P(Actions, ActionCheck, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& test) { return std::string(test.param.name); });

}  // namespace
