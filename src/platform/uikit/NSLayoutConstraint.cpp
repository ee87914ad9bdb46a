#include "uikit/NSLayoutConstraint.h"

#include <cmath>
#include <cstdio>

#include "uikit/UIView.h"

namespace {

std::string address(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", pointer);
  return text;
}

const char* attributeName(NSLayoutAttribute attribute) {
  switch (attribute) {
    case NSLayoutAttribute::Top: return "top";
    case NSLayoutAttribute::Bottom: return "bottom";
    case NSLayoutAttribute::Leading: return "leading";
    case NSLayoutAttribute::Trailing: return "trailing";
    case NSLayoutAttribute::Width: return "width";
    case NSLayoutAttribute::Height: return "height";
    case NSLayoutAttribute::CenterX: return "centerX";
    case NSLayoutAttribute::CenterY: return "centerY";
  }
  return "?";
}

const char* relationName(NSLayoutRelation relation) {
  switch (relation) {
    case NSLayoutRelation::LessThanOrEqual: return "<=";
    case NSLayoutRelation::Equal: return "==";
    case NSLayoutRelation::GreaterThanOrEqual: return ">=";
  }
  return "?";
}

std::string anchorName(const NSLayoutAnchor& anchor) {
  auto view = anchor.view();
  return (view ? layoutItemName(*view) : std::string("(gone)")) + "." + attributeName(anchor.attribute());
}

std::string constantText(CGFloat constant) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", std::fabs(constant));
  return text;
}

}  // namespace

std::string layoutItemName(const UIView& view) { return NSStringFromClass(view) + ":" + address(&view); }

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

std::string NSLayoutConstraint::description() const {
  std::string text = "<NSLayoutConstraint:" + address(this) + " " + anchorName(first_) + " " + relationName(relation_) + " ";
  if (!second_) return text + (constant_ < 0 ? "-" : "") + constantText(constant_) + ">";
  text += anchorName(*second_);
  if (constant_ != 0) text += (constant_ < 0 ? " - " : " + ") + constantText(constant_);
  return text + ">";
}
