#pragma once
// A navigation bar button: a system item (Add) or a title, with one target
// and action, sent when the user taps it.
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSObject.h"
#include "uikit/TargetAction.h"

enum UIBarButtonSystemItem : int {
  UIBarButtonSystemItemDone = 0,
  UIBarButtonSystemItemCancel = 1,
  UIBarButtonSystemItemEdit = 2,
  UIBarButtonSystemItemSave = 3,
  UIBarButtonSystemItemAdd = 4,
};

enum UIBarButtonItemStyle : int { UIBarButtonItemStylePlain = 0, UIBarButtonItemStyleDone = 2 };

class UIBarButtonItem : public NSObject {
 public:
  // initWithBarButtonSystemItem:target:action:
  template <class T, class Action>
  UIBarButtonItem(UIBarButtonSystemItem systemItem, const std::shared_ptr<T>& target, Action action)
      : systemItem_(systemItem), targetAction_(TargetAction::make(target, action)) {}
  // initWithTitle:style:target:action:
  template <class T, class Action>
  UIBarButtonItem(std::string title, UIBarButtonItemStyle style, const std::shared_ptr<T>& target,
                  Action action)
      : title_(std::move(title)), style_(style), targetAction_(TargetAction::make(target, action)) {}

  // None when the item has a title instead.
  std::optional<UIBarButtonSystemItem> systemItem() const { return systemItem_; }
  const std::optional<std::string>& title() const { return title_; }
  UIBarButtonItemStyle style() const { return style_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }

  // The user's tap: sends the action (with the item as sender) when enabled.
  void tap();

 private:
  std::optional<UIBarButtonSystemItem> systemItem_;
  std::optional<std::string> title_;
  UIBarButtonItemStyle style_ = UIBarButtonItemStylePlain;
  TargetAction targetAction_;
  bool enabled_ = true;
};
