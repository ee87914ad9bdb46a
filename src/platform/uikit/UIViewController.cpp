#include "uikit/UIViewController.h"

#include "foundation/NSLog.h"
#include "uikit/ReentryGuard.h"
#include "uikit/UINavigationController.h"
#include "uikit/UIScreen.h"
#include "uikit/UIView.h"

UIViewController::~UIViewController() = default;

void UIViewController::setTitle(std::optional<std::string> title) {
  title_ = std::move(title);
  if (navigationItem_) navigationItem_->setTitle(title_);
}

std::shared_ptr<UIView> UIViewController::view() {
  if (view_ || loadingView_) return view_;
  {
    ReentryGuard loading(loadingView_);
    loadView();
  }
  if (!view_) UIViewController::loadView();
  viewDidLoad();
  return view_;
}

void UIViewController::loadView() { setView(std::make_shared<UIView>(UIScreen::mainScreen()->bounds())); }

std::shared_ptr<UINavigationController> UIViewController::navigationController() const {
  for (auto parent = parent_.lock(); parent; parent = parent->parent_.lock())
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(parent)) return navigation;
  return nullptr;
}

std::shared_ptr<UINavigationItem> UIViewController::navigationItem() {
  if (!navigationItem_) {
    navigationItem_ = std::make_shared<UINavigationItem>();
    navigationItem_->setTitle(title_);
  }
  return navigationItem_;
}

std::shared_ptr<UIViewController> UIViewController::presentationHost() {
  auto host = std::static_pointer_cast<UIViewController>(shared_from_this());
  while (auto parent = host->parent_.lock()) host = parent;
  return host;
}

void UIViewController::presentViewControllerAnimatedCompletion(const std::shared_ptr<UIViewController>& controller,
                                                               bool animated, std::function<void()> completion) {
  auto host = presentationHost();
  if (host->presented_) {
    NSLog("Attempt to present %@ on %@ which is already presenting %@", controller, host, host->presented_);
    return;
  }
  host->presented_ = controller;
  controller->presenting_ = host;
  host->tellTransitionListener(animated);
  controller->view();
  controller->beginAppearanceTransition(true, animated);
  controller->endAppearanceTransition();
  if (completion) completion();
}

void UIViewController::dismissViewControllerAnimatedCompletion(bool animated, std::function<void()> completion) {
  if (!presented_) {
    // A presented controller asks its presenter; a page on a stack asks the
    // stack, which presented on its behalf.
    auto host = presentationHost();
    if (auto presenter = presenting_.lock())
      presenter->dismissViewControllerAnimatedCompletion(animated, completion);
    else if (host.get() != this)
      host->dismissViewControllerAnimatedCompletion(animated, completion);
    return;
  }
  auto controller = presented_;
  if (controller->presented_) controller->dismissViewControllerAnimatedCompletion(animated, nullptr);
  tellTransitionListener(animated);
  controller->beginAppearanceTransition(false, animated);
  controller->endAppearanceTransition();
  controller->presenting_.reset();
  presented_.reset();
  if (completion) completion();
}

void UIViewController::beginAppearanceTransition(bool appearing, bool animated) {
  transitionAppearing_ = appearing;
  transitionAnimated_ = animated;
  if (appearing)
    viewWillAppear(animated);
  else
    viewWillDisappear(animated);
}

void UIViewController::endAppearanceTransition() {
  showing_ = transitionAppearing_;
  if (transitionAppearing_)
    viewDidAppear(transitionAnimated_);
  else
    viewDidDisappear(transitionAnimated_);
}
