#include "uikit/UIView.h"

#include <algorithm>

#include "uikit/LayoutSolver.h"
#include "uikit/UIWindow.h"

UIView::~UIView() {
  for (auto& subview : subviews_) subview->superview_ = nullptr;
}

void UIView::setFrame(const CGRect& frame) { frame_ = frame; }

std::shared_ptr<UIView> UIView::superview() const {
  return superview_ ? std::static_pointer_cast<UIView>(superview_->weak_from_this().lock()) : nullptr;
}

void UIView::addSubview(const std::shared_ptr<UIView>& view) {
  if (!view || view.get() == this) return;
  if (view->superview_ == this) {
    // UIKit moves it to the front.
    std::erase(subviews_, view);
    subviews_.push_back(view);
    return;
  }
  view->removeFromSuperview();
  view->superview_ = this;
  subviews_.push_back(view);
}

void UIView::removeFromSuperview() {
  UIView* parent = superview_;
  if (!parent) return;
  if (auto window = this->window()) {
    auto responder = window->firstResponder();
    auto responderView = std::dynamic_pointer_cast<UIView>(responder);
    // A field leaving the window ends editing as any other end does: its
    // delegate is asked (and may store); it goes whatever the answer.
    if (responderView && (responderView.get() == this || responderView->isDescendantOfView(*this)) &&
        !responder->resignFirstResponder())
      responder->forceResignFirstResponder();
  }
  superview_ = nullptr;
  auto self = weak_from_this().lock();  // keep alive while erasing
  std::erase_if(parent->subviews_, [this](const auto& view) { return view.get() == this; });
}

bool UIView::isDescendantOfView(const UIView& view) const {
  for (const UIView* current = this; current; current = current->superview_)
    if (current == &view) return true;
  return false;
}

std::shared_ptr<UIWindow> UIView::window() const {
  const UIView* top = this;
  while (top->superview_) top = top->superview_;
  if (!dynamic_cast<const UIWindow*>(top)) return nullptr;
  // Views are never const objects; the window is handed out as UIKit does.
  return std::const_pointer_cast<UIWindow>(std::static_pointer_cast<const UIWindow>(top->weak_from_this().lock()));
}

CGRect UIView::convertRectToWindow(const CGRect& rect) const {
  CGRect converted = rect;
  for (const UIView* view = this; view->superview_; view = view->superview_) {
    converted.origin.x += view->frame_.origin.x;
    converted.origin.y += view->frame_.origin.y;
  }
  return converted;
}

bool UIView::endEditing(bool force) {
  auto window = this->window();
  if (!window) return true;
  auto responder = window->firstResponder();
  auto view = std::dynamic_pointer_cast<UIView>(responder);
  if (!view || !view->isDescendantOfView(*this)) return true;
  if (force) {
    responder->forceResignFirstResponder();
    return true;
  }
  return responder->resignFirstResponder();
}

void UIView::addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint) {
  if (std::find(constraints_.begin(), constraints_.end(), constraint) == constraints_.end())
    constraints_.push_back(constraint);
}

void UIView::removeConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint) {
  std::erase(constraints_, constraint);
}

void UIView::layoutIfNeeded() {
  LayoutSolver::placeSubviews(*this);
  for (const auto& subview : std::vector(subviews_)) subview->layoutIfNeeded();
}

std::weak_ptr<UIView> UIView::weakView() {
  return std::static_pointer_cast<UIView>(weak_from_this().lock());
}
