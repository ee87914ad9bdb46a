#pragma once
// The responder chain's first-responder part: one responder per window holds
// the keyboard focus; becoming first responder makes the previous one resign.
#include <memory>

#include "foundation/NSObject.h"

class UIWindow;

class UIResponder : public NSObject {
 public:
  virtual bool canBecomeFirstResponder() const { return false; }
  // False when the responder cannot take the focus, is in no window, or the
  // current first responder refuses to resign.
  virtual bool becomeFirstResponder();
  // Asks the responder (text fields ask their delegate) and resigns when it
  // agrees; true when it is no longer first responder.
  virtual bool resignFirstResponder();
  bool isFirstResponder() const;

  // Resigns without asking, as a forced endEditing: does.
  void forceResignFirstResponder();

  // The window the responder is shown in, or none.
  virtual std::shared_ptr<UIWindow> responderWindow() const { return nullptr; }

 protected:
  // Hooks around the focus change, for text fields and search bars.
  virtual bool shouldBecomeFirstResponder() { return true; }
  virtual bool shouldResignFirstResponder() { return true; }
  virtual void didBecomeFirstResponder() {}
  virtual void didResignFirstResponder() {}

 private:
  void resignNow(const std::shared_ptr<UIWindow>& window);
};
