#include "uikit/UIResponder.h"

#include "uikit/UIWindow.h"

bool UIResponder::isFirstResponder() const {
  auto window = responderWindow();
  return window && window->firstResponder().get() == this;
}

bool UIResponder::becomeFirstResponder() {
  auto window = responderWindow();
  if (!window || !canBecomeFirstResponder()) return false;
  if (window->firstResponder().get() == this) return true;
  if (!shouldBecomeFirstResponder()) return false;
  if (auto current = window->firstResponder(); current && !current->resignFirstResponder()) return false;
  window->setFirstResponder(std::static_pointer_cast<UIResponder>(shared_from_this()));
  didBecomeFirstResponder();
  return true;
}

bool UIResponder::resignFirstResponder() {
  if (!isFirstResponder()) return true;
  if (!shouldResignFirstResponder()) return false;
  // The question may itself have ended editing.
  if (auto window = responderWindow(); window && window->firstResponder().get() == this) resignNow(window);
  return true;
}

void UIResponder::forceResignFirstResponder() {
  auto window = responderWindow();
  if (window && window->firstResponder().get() == this) resignNow(window);
}

void UIResponder::resignNow(const std::shared_ptr<UIWindow>& window) {
  window->setFirstResponder(nullptr);
  didResignFirstResponder();
}
