#include "uikit/UIAlertController.h"

#include "uikit/UITextField.h"

std::shared_ptr<UIAlertController> UIAlertController::alertControllerWithTitleMessagePreferredStyle(
    std::optional<std::string> title, std::optional<std::string> message, UIAlertControllerStyle style) {
  return std::make_shared<UIAlertController>(std::move(title), std::move(message), style);
}

UIAlertController::UIAlertController(std::optional<std::string> title, std::optional<std::string> message,
                                     UIAlertControllerStyle style)
    : message_(std::move(message)), style_(style) {
  UIViewController::setTitle(std::move(title));
}

void UIAlertController::addTextFieldWithConfigurationHandler(const TextFieldConfiguration& configuration) {
  auto field = std::make_shared<UITextField>(CGRectMake(0, 0, 238, 24));
  textFields_.push_back(field);
  if (configuration) configuration(field);
}

void UIAlertController::userTapAction(const std::shared_ptr<UIAlertAction>& action) {
  if (!action->isEnabled()) return;
  auto keepAlive = shared_from_this();
  dismissViewControllerAnimatedCompletion(true, [action] {
    if (action->handler()) action->handler()(action);
  });
}
