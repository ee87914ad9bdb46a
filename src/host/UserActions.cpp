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
       [](UserDriver& d, const json& a) { d.editText(stringArgument(a, "id"), stringArgument(a, "text")); }},
      {"typeText", [](UserDriver& d, const json& a) { d.typeText(stringArgument(a, "text")); }},
      {"deleteBackward", [](UserDriver& d, const json&) { d.deleteBackward(); }},
      {"pressReturn", [](UserDriver& d, const json&) { d.pressReturn(); }},
      {"endEditing",
       [](UserDriver& d, const json& a) {
         // One request carries the text and the end: keystrokes still queued cannot overtake it.
         if (a.contains("text")) d.editText(stringArgument(a, "id"), stringArgument(a, "text"));
         d.endEditing();
       }},
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
      {"sendMail",
       [](UserDriver& d, const json& a) {
         // What the person left in the sheet's fields goes with the tap, as an alert's does.
         for (const char* part : {"subject", "body"}) {
           if (a.contains(part)) d.editPresentedText(std::string("mail/") + part, stringArgument(a, part));
         }
         d.sendMail();
       }},
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
