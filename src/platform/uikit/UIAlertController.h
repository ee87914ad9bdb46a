#pragma once
// An alert: title, message, text fields and actions, each in the order added.
// A tap on an action dismisses the alert, then runs the action's handler
// (which may present another alert).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uikit/UIAlertAction.h"
#include "uikit/UIViewController.h"

class UITextField;

enum UIAlertControllerStyle : int {
  UIAlertControllerStyleActionSheet = 0,
  UIAlertControllerStyleAlert = 1,
};

class UIAlertController : public UIViewController {
 public:
  using TextFieldConfiguration = std::function<void(const std::shared_ptr<UITextField>& textField)>;

  // alertControllerWithTitle:message:preferredStyle:
  static std::shared_ptr<UIAlertController> alertControllerWithTitleMessagePreferredStyle(
      std::optional<std::string> title, std::optional<std::string> message, UIAlertControllerStyle style);
  UIAlertController(std::optional<std::string> title, std::optional<std::string> message,
                    UIAlertControllerStyle style);

  std::optional<std::string> message() const { return message_; }
  void setMessage(std::optional<std::string> message) { message_ = std::move(message); }
  UIAlertControllerStyle preferredStyle() const { return style_; }

  void addAction(const std::shared_ptr<UIAlertAction>& action) { actions_.push_back(action); }
  const std::vector<std::shared_ptr<UIAlertAction>>& actions() const { return actions_; }
  // The configuration handler runs at once on the new field.
  void addTextFieldWithConfigurationHandler(const TextFieldConfiguration& configuration);
  const std::vector<std::shared_ptr<UITextField>>& textFields() const { return textFields_; }

  // The user's tap on an action: dismisses the alert, then runs the handler.
  void userTapAction(const std::shared_ptr<UIAlertAction>& action);

 private:
  std::optional<std::string> message_;
  UIAlertControllerStyle style_;
  std::vector<std::shared_ptr<UIAlertAction>> actions_;
  std::vector<std::shared_ptr<UITextField>> textFields_;
};
