#pragma once
// A stack of pages under a navigation bar. Push and pop send the appearance
// calls in UIKit's order (the new page's view loads first; will-disappear of
// the old page, will-appear of the new, then the did- calls) while the
// controller itself is showing. Animation is not played; the transition
// listener (UIViewController) is told of each push and pop.
#include <memory>
#include <vector>

#include "uikit/CGGeometry.h"
#include "uikit/UIViewController.h"

class UINavigationController : public UIViewController {
 public:
  static constexpr CGFloat kNavigationBarHeight = 96;

  UINavigationController() = default;
  // initWithRootViewController: (a factory, since the root page keeps a weak
  // reference to the controller, which must be owned first).
  static std::shared_ptr<UINavigationController> withRootViewController(
      const std::shared_ptr<UIViewController>& root);

  const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const { return stack_; }
  std::shared_ptr<UIViewController> topViewController() const;

  void pushViewControllerAnimated(const std::shared_ptr<UIViewController>& controller, bool animated);
  // The page popped, or none when only the root is left.
  std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);

  void loadView() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;

 private:
  void show(const std::shared_ptr<UIViewController>& controller);
  void resignEditingIn(const std::shared_ptr<UIViewController>& controller);

  std::vector<std::shared_ptr<UIViewController>> stack_;
};
