#pragma once
// A rectangle in the view tree. The superview is held weakly (a plain
// pointer that the superview clears when it goes), so a view can add
// subviews from its own constructor, as UIKit initialisers do.
#include <memory>
#include <vector>

#include "uikit/CGGeometry.h"
#include "uikit/NSLayoutConstraint.h"
#include "uikit/UIResponder.h"

class UIColor;
class UIWindow;

class UIView : public UIResponder {
 public:
  UIView() = default;
  explicit UIView(const CGRect& frame) : frame_(frame) {}  // initWithFrame:
  ~UIView() override;

  const CGRect& frame() const { return frame_; }
  virtual void setFrame(const CGRect& frame);
  CGRect bounds() const { return CGRect{{0, 0}, frame_.size}; }

  const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
  std::shared_ptr<UIView> superview() const;
  virtual void addSubview(const std::shared_ptr<UIView>& view);
  // A first responder inside the view is asked to resign first, then made
  // to when it refuses.
  void removeFromSuperview();
  bool isDescendantOfView(const UIView& view) const;
  std::shared_ptr<UIWindow> window() const;
  // The rectangle, given in this view's coordinates, in its window's (or
  // its topmost superview's) coordinates.
  CGRect convertRectToWindow(const CGRect& rect) const;
  std::shared_ptr<UIWindow> responderWindow() const override { return window(); }

  // Ends editing of the first responder inside this view. Without force the
  // responder is asked (a text field asks its delegate) and may refuse.
  bool endEditing(bool force);

  bool translatesAutoresizingMaskIntoConstraints() const { return translatesAutoresizingMask_; }
  void setTranslatesAutoresizingMaskIntoConstraints(bool translates) { translatesAutoresizingMask_ = translates; }

  const std::shared_ptr<UIColor>& backgroundColor() const { return backgroundColor_; }
  virtual void setBackgroundColor(std::shared_ptr<UIColor> color) { backgroundColor_ = std::move(color); }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }

  NSLayoutAnchor topAnchor() { return anchor(NSLayoutAttribute::Top); }
  NSLayoutAnchor bottomAnchor() { return anchor(NSLayoutAttribute::Bottom); }
  NSLayoutAnchor leadingAnchor() { return anchor(NSLayoutAttribute::Leading); }
  NSLayoutAnchor trailingAnchor() { return anchor(NSLayoutAttribute::Trailing); }
  NSLayoutAnchor widthAnchor() { return anchor(NSLayoutAttribute::Width); }
  NSLayoutAnchor heightAnchor() { return anchor(NSLayoutAttribute::Height); }
  NSLayoutAnchor centerXAnchor() { return anchor(NSLayoutAttribute::CenterX); }
  NSLayoutAnchor centerYAnchor() { return anchor(NSLayoutAttribute::CenterY); }

  // The active constraints installed on this view, in the order made.
  const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints() const { return constraints_; }
  void addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);
  void removeConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);

  // Places the subviews that are laid out by constraints, then lays out
  // each subview in turn.
  virtual void layoutIfNeeded();
  // The height the view's content asks for at that width when nothing
  // constrains it (a label's lines); 0 for a plain view.
  virtual CGFloat intrinsicContentHeight(CGFloat width) const { return 0; }

 private:
  NSLayoutAnchor anchor(NSLayoutAttribute attribute) { return NSLayoutAnchor(weakView(), attribute); }
  std::weak_ptr<UIView> weakView();

  CGRect frame_;
  UIView* superview_ = nullptr;
  std::vector<std::shared_ptr<UIView>> subviews_;
  std::vector<std::shared_ptr<NSLayoutConstraint>> constraints_;
  std::shared_ptr<UIColor> backgroundColor_;
  bool translatesAutoresizingMask_ = true;
  bool hidden_ = false;
  bool userInteractionEnabled_ = true;
  long tag_ = 0;
};
