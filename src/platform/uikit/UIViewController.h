#pragma once
// A page: its view is made on first need (loadView, then viewDidLoad, once);
// the appearance calls come around each showing; it may present one modal
// controller at a time.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "uikit/UINavigationItem.h"
#include "uikit/UIResponder.h"

class UIView;
class UINavigationController;
struct Screen;

class UIViewController : public UIResponder {
 public:
  UIViewController() = default;
  ~UIViewController() override;

  const std::optional<std::string>& title() const { return title_; }
  // Also the navigation item's title, as in UIKit.
  virtual void setTitle(std::optional<std::string> title);

  // The view, loaded on first call.
  std::shared_ptr<UIView> view();
  bool isViewLoaded() const { return view_ != nullptr; }
  void setView(std::shared_ptr<UIView> view) { view_ = std::move(view); }

  // Makes the view: a plain view the size of the main screen.
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool animated) {}
  virtual void viewDidAppear(bool animated) {}
  virtual void viewWillDisappear(bool animated) {}
  virtual void viewDidDisappear(bool animated) {}

  // The navigation controller the page is on, or none.
  std::shared_ptr<UINavigationController> navigationController() const;
  std::shared_ptr<UIViewController> parentViewController() const { return parent_.lock(); }
  std::shared_ptr<UINavigationItem> navigationItem();

  // One modal controller at a time: presenting over a controller that
  // already presents one is refused with a log line, as UIKit does. A page
  // inside a navigation controller presents from that controller. The
  // completion runs once the presentation is done.
  void presentViewControllerAnimatedCompletion(const std::shared_ptr<UIViewController>& controller,
                                               bool animated, std::function<void()> completion = {});
  // Sent to the presenter, dismisses what it presents; sent to a presented
  // controller or to a page of a presenting stack, asks the presenter.
  void dismissViewControllerAnimatedCompletion(bool animated, std::function<void()> completion = {});
  std::shared_ptr<UIViewController> presentingViewController() const { return presenting_.lock(); }
  std::shared_ptr<UIViewController> presentedViewController() const { return presented_; }

  // Told of every transition this controller starts, with whether it is
  // animated: a presentation or dismissal it hosts, and a navigation
  // controller's push and pop. The Settings app draws no animation; tests
  // check that the pages ask for one.
  using TransitionListener = std::function<void(bool animated)>;
  void setTransitionListener(TransitionListener listener) { transitionListener_ = std::move(listener); }

  // Extension points for modal screens made in other frameworks (e.g. the
  // mail sheet): describe yourself on the screen model when presented, and
  // perform a user action by id ("mail/send"), take text the user edited in
  // one of your fields by id ("mail/subject"); false when the id is not yours.
  virtual void describePresentedScreen(Screen& screen) const {}
  virtual bool performUserAction(const std::string& actionId) { return false; }
  virtual bool editUserText(const std::string& fieldId, const std::string& text) { return false; }

  // Sends the appearance calls (used by containers and windows).
  void beginAppearanceTransition(bool appearing, bool animated);
  void endAppearanceTransition();
  bool isShowing() const { return showing_; }
  // Set by containers.
  void setParentViewController(const std::shared_ptr<UIViewController>& parent) { parent_ = parent; }

 protected:
  void tellTransitionListener(bool animated) const {
    if (transitionListener_) transitionListener_(animated);
  }

 private:
  std::shared_ptr<UIViewController> presentationHost();

  std::optional<std::string> title_;
  std::shared_ptr<UIView> view_;
  std::shared_ptr<UINavigationItem> navigationItem_;
  std::weak_ptr<UIViewController> parent_;
  std::shared_ptr<UIViewController> presented_;
  std::weak_ptr<UIViewController> presenting_;
  TransitionListener transitionListener_;
  bool loadingView_ = false;
  bool showing_ = false;
  bool transitionAppearing_ = false;
  bool transitionAnimated_ = false;
};
