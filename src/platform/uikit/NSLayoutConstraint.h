#pragma once
// Auto Layout as the pages use it: anchors make constraints, which are
// recorded as made and, once active, placed by the views' layout pass
// (edges, heights and widths as equalities and inequalities against constants
// and other anchors; multipliers are always 1).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NSObject.h"
#include "uikit/CGGeometry.h"

class UIView;

enum class NSLayoutAttribute { Top, Bottom, Leading, Trailing, Width, Height, CenterX, CenterY };
enum class NSLayoutRelation { LessThanOrEqual = -1, Equal = 0, GreaterThanOrEqual = 1 };

class NSLayoutConstraint;

// A view as constraint logs name it: "UILabel:0x5612a0c4e2f0".
std::string layoutItemName(const UIView& view);

class NSLayoutAnchor {
 public:
  NSLayoutAnchor(std::weak_ptr<UIView> view, NSLayoutAttribute attribute)
      : view_(std::move(view)), attribute_(attribute) {}

  std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchor(const NSLayoutAnchor& other) const;
  std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchorConstant(const NSLayoutAnchor& other,
                                                                      CGFloat constant) const;
  std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToAnchor(const NSLayoutAnchor& other) const;
  std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToAnchorConstant(
      const NSLayoutAnchor& other, CGFloat constant) const;
  std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToAnchor(const NSLayoutAnchor& other) const;
  std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToAnchorConstant(const NSLayoutAnchor& other,
                                                                                CGFloat constant) const;
  // Dimension anchors only (width, height).
  std::shared_ptr<NSLayoutConstraint> constraintEqualToConstant(CGFloat constant) const;
  std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToConstant(CGFloat constant) const;
  std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToConstant(CGFloat constant) const;

  std::shared_ptr<UIView> view() const { return view_.lock(); }
  NSLayoutAttribute attribute() const { return attribute_; }

 private:
  std::shared_ptr<NSLayoutConstraint> make(NSLayoutRelation relation, const NSLayoutAnchor* other,
                                           CGFloat constant) const;
  std::weak_ptr<UIView> view_;
  NSLayoutAttribute attribute_;
};

// first.attribute  relation  second.attribute + constant   (second none: the constant alone)
class NSLayoutConstraint : public NSObject {
 public:
  NSLayoutConstraint(NSLayoutAnchor first, NSLayoutRelation relation, std::optional<NSLayoutAnchor> second,
                     CGFloat constant);

  static void activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);

  bool isActive() const { return active_; }
  // Activating installs the constraint on its first item's view; deactivating removes it.
  void setActive(bool active);
  CGFloat constant() const { return constant_; }
  void setConstant(CGFloat constant) { constant_ = constant; }

  const NSLayoutAnchor& firstAnchor() const { return first_; }
  const std::optional<NSLayoutAnchor>& secondAnchor() const { return second_; }
  NSLayoutRelation relation() const { return relation_; }

  // "<NSLayoutConstraint:0x… UILabel:0x….top == UIView:0x….top + 15>", as
  // UIKit prints one; a view that has gone is "(gone)".
  std::string description() const override;

 private:
  NSLayoutAnchor first_;
  NSLayoutRelation relation_;
  std::optional<NSLayoutAnchor> second_;
  CGFloat constant_ = 0;
  bool active_ = false;
};
