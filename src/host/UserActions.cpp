#include "host/UserActions.h"

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "uikit/UserDriver.h"

using nlohmann::json;

namespace {

std::string stringArgument(const json& action, const char* key) {
  auto found = action.find(key);
  if (found == action.end() || !found->is_string()) {
    throw std::invalid_argument("the action needs a text \"" + std::string(key) + "\"");
  }
  return found->get<std::string>();
}

double numberArgument(const json& action, const char* key) {
  auto found = action.find(key);
  if (found == action.end() || !found->is_number()) {
    throw std::invalid_argument("the action needs a number \"" + std::string(key) + "\"");
  }
  return found->get<double>();
}

std::vector<std::string> stringsArgument(const json& action, const char* key) {
  auto found = action.find(key);
  if (found == action.end()) return {};
  if (!found->is_array()) throw std::invalid_argument("\"" + std::string(key) + "\" must be a list of texts");
  std::vector<std::string> texts;
  for (const auto& item : *found) {
    if (!item.is_string()) throw std::invalid_argument("\"" + std::string(key) + "\" must be a list of texts");
    texts.push_back(item.get<std::string>());
  }
  return texts;
}

const ScreenTextField& rowTextField(const Screen& screen, const std::string& id) {
  if (screen.table) {
    for (const auto& section : screen.table->sections) {
      for (const auto& row : section.rows) {
        for (const auto& field : row.textFields) {
          if (field.id == id) return field;
        }
      }
    }
  }
  throw std::invalid_argument("no text field \"" + id + "\" on screen");
}

// Length in bytes of the common start of two UTF-8 texts, on a character boundary.
std::size_t commonStart(const std::string& left, const std::string& right) {
  std::size_t length = 0;
  while (length < left.size() && length < right.size() && left[length] == right[length]) ++length;
  auto insideCharacter = [&] {
    return length < left.size() && (static_cast<unsigned char>(left[length]) & 0xC0) == 0x80;
  };
  while (length > 0 && insideCharacter()) --length;
  return length;
}

std::size_t characterCount(const std::string& text, std::size_t from) {
  std::size_t count = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++count;
  }
  return count;
}

void editText(UserDriver& driver, const std::string& id, const std::string& wanted) {
  const ScreenTextField field = rowTextField(driver.screen(), id);
  if (!field.editing) driver.tapTextField(id);
  const std::string current = rowTextField(driver.screen(), id).text;
  const std::size_t keep = commonStart(current, wanted);
  for (std::size_t n = characterCount(current, keep); n > 0; --n) driver.deleteBackward();
  if (keep < wanted.size()) driver.typeText(wanted.substr(keep));
}

using Handler = std::function<void(UserDriver&, const json&)>;

const std::map<std::string, Handler>& handlers() {
  static const std::map<std::string, Handler> table = {
      {"tapRow", [](UserDriver& d, const json& a) { d.tapRow(stringArgument(a, "id")); }},
      {"tapRowByText", [](UserDriver& d, const json& a) { d.tapRowByText(stringArgument(a, "text")); }},
      {"flipSwitch", [](UserDriver& d, const json& a) { d.flipSwitch(stringArgument(a, "id")); }},
      {"scroll", [](UserDriver& d, const json& a) { d.scrollTo(numberArgument(a, "offset")); }},
      {"setViewportHeight",
       [](UserDriver& d, const json& a) { d.setViewportHeight(numberArgument(a, "height")); }},
      {"tapTextField", [](UserDriver& d, const json& a) { d.tapTextField(stringArgument(a, "id")); }},
      {"editText",
       [](UserDriver& d, const json& a) { editText(d, stringArgument(a, "id"), stringArgument(a, "text")); }},
      {"typeText", [](UserDriver& d, const json& a) { d.typeText(stringArgument(a, "text")); }},
      {"deleteBackward", [](UserDriver& d, const json&) { d.deleteBackward(); }},
      {"pressReturn", [](UserDriver& d, const json&) { d.pressReturn(); }},
      {"endEditing", [](UserDriver& d, const json&) { d.endEditing(); }},
      {"tapSearchBar", [](UserDriver& d, const json&) { d.tapSearchBar(); }},
      {"setSearchText", [](UserDriver& d, const json& a) { d.setSearchText(stringArgument(a, "text")); }},
      {"tapSearchButton", [](UserDriver& d, const json&) { d.tapSearchButton(); }},
      {"tapSearchCancelButton", [](UserDriver& d, const json&) { d.tapSearchCancelButton(); }},
      {"tapRightBarButton", [](UserDriver& d, const json&) { d.tapRightBarButton(); }},
      {"goBack", [](UserDriver& d, const json&) { d.goBack(); }},
      {"tapAlertAction",
       [](UserDriver& d, const json& a) {
         d.tapAlertAction(stringArgument(a, "title"), stringsArgument(a, "fields"));
       }},
      {"sendMail", [](UserDriver& d, const json&) { d.sendMail(); }},
      {"cancelMail", [](UserDriver& d, const json&) { d.cancelMail(); }},
  };
  return table;
}

}  // namespace

void performUserAction(UserDriver& driver, const json& action) {
  if (!action.is_object()) throw std::invalid_argument("an action is a JSON object");
  const std::string name = stringArgument(action, "action");
  auto handler = handlers().find(name);
  if (handler == handlers().end()) throw std::invalid_argument("unknown action \"" + name + "\"");
  handler->second(driver, action);
}
