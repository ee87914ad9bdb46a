#include "host/ActionCheck.h"

#include <set>

using nlohmann::json;

const char* const kPageChangedMessage =
    "The page had changed before your action reached it, so nothing was done. This is the page as it is now.";

namespace {

const std::set<std::string>& taps() {
  static const std::set<std::string> names = {
      "tapRow",       "flipSwitch",      "tapTextField",          "tapAlertAction",
      "goBack",       "tapRightBarButton", "tapSearchBar",        "tapSearchButton",
      "tapSearchCancelButton", "sendMail", "cancelMail"};
  return names;
}

const std::set<std::string>& typing() {
  static const std::set<std::string> names = {"editText", "setSearchText", "pressReturn", "endEditing"};
  return names;
}

std::string textOf(const json& object, const char* key) {
  if (!object.is_object()) return {};
  auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// What a tap depends on besides its element: the page, and what is presented over it.
json context(const json& screen) {
  json alert = nullptr;
  if (auto found = screen.find("alert"); found != screen.end()) {
    alert = *found;
    alert.erase("textFields");  // the person's own typing there is sent with the tap
  }
  return {screen.value("pageId", json()), alert, screen.contains("mail")};
}

// The list under `key`, or an empty one; a reference into `object`.
const json& listAt(const json& object, const char* key) {
  static const json kEmpty = json::array();
  auto found = object.is_object() ? object.find(key) : object.end();
  return found != object.end() && found->is_array() ? *found : kEmpty;
}

// The row holding `id` as its own id, its switch's id or one of its fields' ids.
const json* rowHolding(const json& screen, const std::string& id) {
  auto table = screen.find("table");
  if (table == screen.end()) return nullptr;
  for (const auto& section : listAt(*table, "sections")) {
    for (const auto& row : listAt(section, "rows")) {
      if (!row.is_object()) continue;
      if (textOf(row, "id") == id) return &row;
      if (row.contains("switch") && textOf(row["switch"], "id") == id) return &row;
      for (const auto& field : listAt(row, "textFields")) {
        if (textOf(field, "id") == id) return &row;
      }
    }
  }
  return nullptr;
}

// A row as the person recognises it: not where it sits or what is typed in it.
// A switch's state counts only for a flip (flipping means "to the other state").
std::optional<json> rowAsSeen(const json& screen, const std::string& id, bool withSwitchState) {
  const json* row = rowHolding(screen, id);
  if (!row) return std::nullopt;
  json kept = *row;
  kept.erase("y");
  kept.erase("selected");
  kept.erase("textFields");
  if (!withSwitchState && kept.contains("switch")) kept["switch"].erase("on");
  return kept;
}

const json* field(const json& screen, const std::string& id) {
  const json* row = rowHolding(screen, id);
  if (!row) return nullptr;
  for (const auto& candidate : listAt(*row, "textFields")) {
    if (textOf(candidate, "id") == id) return &candidate;
  }
  return nullptr;
}

const json* searchBar(const json& screen) {
  auto bar = screen.find("navigationBar");
  if (bar == screen.end() || !bar->is_object()) return nullptr;
  auto search = bar->find("searchBar");
  return search != bar->end() && search->is_object() ? &*search : nullptr;
}

bool sameElement(const std::string& name, const json& action, const json& seen, const json& current) {
  if (context(seen) != context(current)) return false;
  const std::string id = textOf(action, "id");
  if (name == "tapRow" || name == "flipSwitch" || name == "tapTextField") {
    auto before = rowAsSeen(seen, id, name == "flipSwitch");
    return before && before == rowAsSeen(current, id, name == "flipSwitch");
  }
  if (name == "tapRightBarButton") {
    auto button = [](const json& screen) {
      const json& bar = screen.value("navigationBar", json::object());
      return bar.is_object() ? bar.value("rightButton", json()) : json();
    };
    return button(seen) == button(current);
  }
  if (name.starts_with("tapSearch")) return searchBar(current) != nullptr;
  return true;
}

ActionFit checkTyping(const std::string& name, const json& action, const json& current) {
  const bool covered = current.contains("alert") || current.contains("mail");
  const bool samePage = action.at("pageId") == current.value("pageId", json());
  const json* target = name == "setSearchText" ? searchBar(current) : field(current, textOf(action, "id"));
  const bool editing = target && target->value("editing", json()) == true;
  if (name == "endEditing") {
    // A tab that leaves sends the field's text with the end: its tap and
    // keystrokes may never have arrived, and the text is then typed first.
    const bool leavingWithText = action.contains("text") && target && !covered;
    return samePage && (editing || leavingWithText) ? ActionFit::applies : ActionFit::moot;
  }
  if (!samePage || covered || !target) return ActionFit::changed;
  if (name == "pressReturn" && !editing) return ActionFit::changed;
  return ActionFit::applies;
}

}  // namespace

ActionFit checkAction(const json& action, const std::optional<json>& seen, const json& current,
                      const std::string& hostId) {
  if (!action.is_object()) return ActionFit::applies;  // the decoder says what is wrong
  const std::string name = textOf(action, "action");
  const bool isTap = taps().contains(name) && action.contains("screen");
  const bool isTyping = typing().contains(name) && action.contains("pageId");
  if (!isTap && !isTyping) return ActionFit::applies;
  if (action.contains("host") && action.at("host") != hostId) {
    return name == "endEditing" ? ActionFit::moot : ActionFit::changed;
  }
  if (isTyping) return checkTyping(name, action, current);
  return seen && sameElement(name, action, *seen, current) ? ActionFit::applies : ActionFit::changed;
}
