#pragma once
// A button of an alert; its handler runs after the alert has been dismissed.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSObject.h"

enum UIAlertActionStyle : int {
  UIAlertActionStyleDefault = 0,
  UIAlertActionStyleCancel = 1,
  UIAlertActionStyleDestructive = 2,
};

class UIAlertAction : public NSObject {
 public:
  using Handler = std::function<void(const std::shared_ptr<UIAlertAction>& action)>;

  // actionWithTitle:style:handler:
  static std::shared_ptr<UIAlertAction> actionWithTitleStyleHandler(std::optional<std::string> title,
                                                                    UIAlertActionStyle style, Handler handler) {
    return std::make_shared<UIAlertAction>(std::move(title), style, std::move(handler));
  }
  UIAlertAction(std::optional<std::string> title, UIAlertActionStyle style, Handler handler)
      : title_(std::move(title)), style_(style), handler_(std::move(handler)) {}

  const std::optional<std::string>& title() const { return title_; }
  UIAlertActionStyle style() const { return style_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  const Handler& handler() const { return handler_; }

 private:
  std::optional<std::string> title_;
  UIAlertActionStyle style_;
  Handler handler_;
  bool enabled_ = true;
};
