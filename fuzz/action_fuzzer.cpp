// Any bytes as an action's body (fuzz/README.md): bad input is refused with
// std::invalid_argument alone, with nothing run; an accepted one makes one call.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <nlohmann/json.hpp>

#include "RecordingUserDriver.h"
#include "host/ActionCheck.h"
#include "host/UserActions.h"
#include "uikit/UserDriver.h"

using nlohmann::json;

namespace {

const char* const kHostId = "h-fuzz";

// A per-app page as ScreenPublisher writes it: rows with a switch and a
// field being edited, a search bar and a right button.
const json& pageScreen() {
  static const json screen = json::parse(R"({
    "pageId": "p7", "pageClass": "ChimewellDetailView", "depth": 2,
    "navigationBar": {"title": "Météo+", "rightButton": {"title": "Add"},
                      "searchBar": {"text": "ma", "editing": true}},
    "table": {"sections": [
      {"index": 0, "rows": [{"id": "s0r0", "text": "Enable Custom Sound", "y": 0,
                             "switch": {"id": "s0r0/switch", "on": false}}]},
      {"index": 1, "rows": [{"id": "s1r0", "text": "Custom Sound", "detailText": "Default", "selected": false}]},
      {"index": 3, "rows": [{"id": "s3r0", "textFields": [{"id": "s3r0/field0", "text": "3", "editing": true}]}]}
    ]}
  })");
  return screen;
}

// The same page under an alert with a field, and the mail sheet.
const json& coveredScreen() {
  static const json screen = [] {
    json covered = pageScreen();
    covered["alert"] = json::parse(R"({"title": "Chimewell", "message": "Type a name for the ringtone",
      "textFields": [{"id": "alert/field0", "text": ""}], "actions": [{"title": "Import"}, {"title": "Cancel"}]})");
    covered["mail"] = json::parse(R"({"subject": "", "body": "", "toRecipients": []})");
    return covered;
  }();
  return screen;
}

// The screen an action names as the one it was made on, as the publisher
// keeps them: 1 is the page, 2 the covered page, any other is forgotten.
std::optional<json> seenScreen(const json& action) {
  if (!action.is_object()) return std::nullopt;
  auto version = action.find("screen");
  if (version == action.end() || !version->is_number_unsigned()) return std::nullopt;
  const auto number = version->get<std::uint64_t>();
  if (number == 1) return pageScreen();
  if (number == 2) return coveredScreen();
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const json action = json::parse(std::string_view(reinterpret_cast<const char*>(data), size), nullptr, false);
  if (action.is_discarded()) return 0;
  static UserDriver driver(nullptr);
  for (const json* current : {&pageScreen(), &coveredScreen()}) {
    if (checkAction(action, seenScreen(action), *current, kHostId) != ActionFit::applies) continue;
    try {
      performUserAction(driver, action);
    } catch (const std::invalid_argument&) {
      if (takeRecordedDriverCalls() != 0) std::abort();  // refused, yet something ran
      continue;
    }
    if (takeRecordedDriverCalls() != 1) std::abort();
  }
  return 0;
}
