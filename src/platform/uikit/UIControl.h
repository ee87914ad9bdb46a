#pragma once
// Controls send actions to their targets for control events. The same
// target, action and events added twice stay one registration; the actions
// for an event go out in the order they were added.
#include <memory>
#include <vector>

#include "uikit/TargetAction.h"
#include "uikit/UIView.h"

using UIControlEvents = unsigned long;
inline constexpr UIControlEvents UIControlEventTouchDown = 1UL << 0;
inline constexpr UIControlEvents UIControlEventTouchUpInside = 1UL << 6;
inline constexpr UIControlEvents UIControlEventValueChanged = 1UL << 12;
inline constexpr UIControlEvents UIControlEventEditingDidBegin = 1UL << 16;
inline constexpr UIControlEvents UIControlEventEditingChanged = 1UL << 17;
inline constexpr UIControlEvents UIControlEventEditingDidEnd = 1UL << 18;
inline constexpr UIControlEvents UIControlEventEditingDidEndOnExit = 1UL << 19;

class UIControl : public UIView {
 public:
  using UIView::UIView;

  // addTarget:action:forControlEvents:
  template <class T, class S>
  void addTargetActionForControlEvents(const std::shared_ptr<T>& target,
                                       void (T::*action)(const std::shared_ptr<S>& sender),
                                       UIControlEvents events) {
    add(TargetAction::make(target, action), events);
  }
  template <class T>
  void addTargetActionForControlEvents(const std::shared_ptr<T>& target, void (T::*action)(),
                                       UIControlEvents events) {
    add(TargetAction::make(target, action), events);
  }
  // removeTarget:action:forControlEvents:
  template <class T, class S>
  void removeTargetActionForControlEvents(const std::shared_ptr<T>& target,
                                          void (T::*action)(const std::shared_ptr<S>& sender),
                                          UIControlEvents events) {
    remove(TargetAction::make(target, action), events);
  }

  // Sends the actions registered for any of these events, in the order added.
  void sendActionsForControlEvents(UIControlEvents events);
  // Registrations (target and action) that listen to any of these events.
  std::size_t numberOfRegistrationsForControlEvents(UIControlEvents events) const;

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected) { selected_ = selected; }

 private:
  struct Registration {
    TargetAction targetAction;
    UIControlEvents events;
  };
  void add(TargetAction targetAction, UIControlEvents events);
  void remove(const TargetAction& targetAction, UIControlEvents events);

  std::vector<Registration> registrations_;
  bool enabled_ = true;
  bool highlighted_ = false;
  bool selected_ = false;
};
