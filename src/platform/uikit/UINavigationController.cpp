#include "uikit/UINavigationController.h"

#include <algorithm>
#include <stdexcept>

#include "uikit/UIView.h"
#include "uikit/UIWindow.h"

std::shared_ptr<UINavigationController> UINavigationController::withRootViewController(
    const std::shared_ptr<UIViewController>& root) {
  auto navigation = std::make_shared<UINavigationController>();
  root->setParentViewController(navigation);
  navigation->stack_.push_back(root);
  return navigation;
}

std::shared_ptr<UIViewController> UINavigationController::topViewController() const {
  return stack_.empty() ? nullptr : stack_.back();
}

void UINavigationController::loadView() {
  UIViewController::loadView();
  if (auto top = topViewController()) show(top);
}

// The page's view fills the area below the navigation bar.
void UINavigationController::show(const std::shared_ptr<UIViewController>& controller) {
  auto container = view();
  for (const auto& subview : std::vector(container->subviews())) subview->removeFromSuperview();
  auto page = controller->view();
  CGRect bounds = container->bounds();
  page->setFrame(CGRectMake(0, kNavigationBarHeight, bounds.size.width,
                            std::max<CGFloat>(0, bounds.size.height - kNavigationBarHeight)));
  container->addSubview(page);
}

// A page leaving the screen ends the editing in its view or its navigation
// bar's title view: the field is asked, but goes all the same.
void UINavigationController::resignEditingIn(const std::shared_ptr<UIViewController>& controller) {
  if (!controller->isViewLoaded()) return;
  auto page = controller->view();
  auto window = page->window();
  auto responder = window ? window->firstResponder() : nullptr;
  auto responderView = std::dynamic_pointer_cast<UIView>(responder);
  if (!responderView) return;
  auto titleView = controller->navigationItem()->titleView();
  bool onPage = responderView->isDescendantOfView(*page) || (titleView && responderView->isDescendantOfView(*titleView));
  if (onPage && !responder->resignFirstResponder()) responder->forceResignFirstResponder();
}

void UINavigationController::pushViewControllerAnimated(const std::shared_ptr<UIViewController>& controller,
                                                        bool animated) {
  if (std::find(stack_.begin(), stack_.end(), controller) != stack_.end())
    throw std::invalid_argument("Pushing the same view controller instance more than once is not supported");
  tellTransitionListener(animated);
  auto old = topViewController();
  controller->setParentViewController(std::static_pointer_cast<UIViewController>(shared_from_this()));
  controller->view();
  bool showing = isShowing();
  if (showing && old) {
    resignEditingIn(old);
    old->beginAppearanceTransition(false, animated);
  }
  if (showing) controller->beginAppearanceTransition(true, animated);
  stack_.push_back(controller);
  if (isViewLoaded()) show(controller);
  if (showing && old) old->endAppearanceTransition();
  if (showing) controller->endAppearanceTransition();
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated) {
  if (stack_.size() < 2) return nullptr;
  tellTransitionListener(animated);
  auto old = stack_.back();
  auto below = stack_[stack_.size() - 2];
  bool showing = isShowing();
  if (showing) {
    resignEditingIn(old);
    old->beginAppearanceTransition(false, animated);
    below->beginAppearanceTransition(true, animated);
  }
  stack_.pop_back();
  if (isViewLoaded()) show(below);
  if (showing) {
    old->endAppearanceTransition();
    below->endAppearanceTransition();
  }
  old->setParentViewController(nullptr);
  return old;
}

void UINavigationController::viewWillAppear(bool animated) {
  if (auto top = topViewController()) top->beginAppearanceTransition(true, animated);
}

void UINavigationController::viewDidAppear(bool animated) {
  if (auto top = topViewController()) top->endAppearanceTransition();
}

void UINavigationController::viewWillDisappear(bool animated) {
  if (auto top = topViewController()) top->beginAppearanceTransition(false, animated);
}

void UINavigationController::viewDidDisappear(bool animated) {
  if (auto top = topViewController()) top->endAppearanceTransition();
}
