#include "uikit/UIWindow.h"

#include "uikit/UIScreen.h"
#include "uikit/UIViewController.h"

namespace {

// The application's key window, as UIApplication keeps it.
std::weak_ptr<UIWindow>& keyWindowReference() {
  static std::weak_ptr<UIWindow> window;
  return window;
}

}  // namespace

UIWindow::UIWindow() : UIView(UIScreen::mainScreen()->bounds()) {}

std::shared_ptr<UIWindow> UIWindow::keyWindow() { return keyWindowReference().lock(); }

bool UIWindow::isKeyWindow() const { return keyWindow().get() == this; }

void UIWindow::makeKeyAndVisible() {
  keyWindowReference() = std::static_pointer_cast<UIWindow>(shared_from_this());
  if (visible_) return;
  visible_ = true;
  if (!rootViewController_) return;
  rootViewController_->beginAppearanceTransition(true, false);
  rootViewController_->endAppearanceTransition();
}

void UIWindow::resignKeyWindow() {
  if (isKeyWindow()) keyWindowReference().reset();
  if (!visible_) return;
  visible_ = false;
  if (!rootViewController_) return;
  rootViewController_->beginAppearanceTransition(false, false);
  rootViewController_->endAppearanceTransition();
}

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller) {
  if (rootViewController_ == controller) return;
  if (auto old = rootViewController_) {
    if (visible_) old->beginAppearanceTransition(false, false);
    if (old->isViewLoaded()) old->view()->removeFromSuperview();
    if (visible_) old->endAppearanceTransition();
  }
  rootViewController_ = std::move(controller);
  if (!rootViewController_) return;
  auto view = rootViewController_->view();
  view->setFrame(bounds());
  if (visible_) rootViewController_->beginAppearanceTransition(true, false);
  addSubview(view);
  if (visible_) rootViewController_->endAppearanceTransition();
}
