#pragma once
// The window the Settings app shows: its root controller's view fills it;
// it keeps the first responder. One window is key at a time.
#include <memory>

#include "uikit/UIView.h"

class UIViewController;

class UIWindow : public UIView {
 public:
  UIWindow();  // the main screen's bounds
  explicit UIWindow(const CGRect& frame) : UIView(frame) {}

  // The key window, or none.
  static std::shared_ptr<UIWindow> keyWindow();
  // Makes this the key window and shows the root controller (its appearance calls).
  void makeKeyAndVisible();
  bool isKeyWindow() const;
  // Hides the window: the root controller disappears, the window stops being key.
  void resignKeyWindow();

  const std::shared_ptr<UIViewController>& rootViewController() const { return rootViewController_; }
  void setRootViewController(std::shared_ptr<UIViewController> controller);

  std::shared_ptr<UIResponder> firstResponder() const { return firstResponder_.lock(); }
  void setFirstResponder(const std::shared_ptr<UIResponder>& responder) { firstResponder_ = responder; }

 private:
  std::shared_ptr<UIViewController> rootViewController_;
  std::weak_ptr<UIResponder> firstResponder_;
  bool visible_ = false;
};
