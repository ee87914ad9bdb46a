#include "uikit/UISwitch.h"

void UISwitch::userTap() {
  if (!isEnabled() || !isUserInteractionEnabled()) return;
  on_ = !on_;
  sendActionsForControlEvents(UIControlEventValueChanged);
  sendActionsForControlEvents(UIControlEventTouchUpInside);
}
