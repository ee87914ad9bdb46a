#include "uikit/NSLayoutConstraint.h"

#include "uikit/UIView.h"

std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::make(NSLayoutRelation relation, const NSLayoutAnchor* other,
                                                         CGFloat constant) const {
  std::optional<NSLayoutAnchor> second;
  if (other) second = *other;
  return std::make_shared<NSLayoutConstraint>(*this, relation, second, constant);
}

std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintEqualToAnchor(const NSLayoutAnchor& other) const {
  return make(NSLayoutRelation::Equal, &other, 0);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintEqualToAnchorConstant(const NSLayoutAnchor& other,
                                                                                    CGFloat constant) const {
  return make(NSLayoutRelation::Equal, &other, constant);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintGreaterThanOrEqualToAnchor(
    const NSLayoutAnchor& other) const {
  return make(NSLayoutRelation::GreaterThanOrEqual, &other, 0);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintGreaterThanOrEqualToAnchorConstant(
    const NSLayoutAnchor& other, CGFloat constant) const {
  return make(NSLayoutRelation::GreaterThanOrEqual, &other, constant);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintLessThanOrEqualToAnchor(
    const NSLayoutAnchor& other) const {
  return make(NSLayoutRelation::LessThanOrEqual, &other, 0);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintLessThanOrEqualToAnchorConstant(
    const NSLayoutAnchor& other, CGFloat constant) const {
  return make(NSLayoutRelation::LessThanOrEqual, &other, constant);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintEqualToConstant(CGFloat constant) const {
  return make(NSLayoutRelation::Equal, nullptr, constant);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintGreaterThanOrEqualToConstant(CGFloat constant) const {
  return make(NSLayoutRelation::GreaterThanOrEqual, nullptr, constant);
}
std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintLessThanOrEqualToConstant(CGFloat constant) const {
  return make(NSLayoutRelation::LessThanOrEqual, nullptr, constant);
}

NSLayoutConstraint::NSLayoutConstraint(NSLayoutAnchor first, NSLayoutRelation relation,
                                       std::optional<NSLayoutAnchor> second, CGFloat constant)
    : first_(std::move(first)), relation_(relation), second_(std::move(second)), constant_(constant) {}

void NSLayoutConstraint::activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints) {
  for (const auto& constraint : constraints) constraint->setActive(true);
}

void NSLayoutConstraint::setActive(bool active) {
  if (active == active_) return;
  auto view = first_.view();
  if (!view) return;  // its view has gone: nothing to lay out
  active_ = active;
  auto self = std::static_pointer_cast<NSLayoutConstraint>(shared_from_this());
  if (active)
    view->addConstraint(self);
  else
    view->removeConstraint(self);
}
