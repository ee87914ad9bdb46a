#include "uikit/UITableViewCell.h"

#include <algorithm>

#include "foundation/NSCoder.h"
#include "foundation/NSLog.h"
#include "uikit/LayoutSolver.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"

UITableViewCell::UITableViewCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
    : UIView(CGRectMake(0, 0, 320, kDefaultHeight)),
      style_(style),
      reuseIdentifier_(std::move(reuseIdentifier)),
      contentView_(std::make_shared<UIView>(bounds())) {
  UIView::addSubview(contentView_);
}

namespace {

UITableViewCellStyle decodedStyle(const NSCoder& coder) {
  const long style = coder.decodeIntegerForKey(UITableViewCell::kStyleKey);
  return style >= UITableViewCellStyleDefault && style <= UITableViewCellStyleSubtitle
             ? static_cast<UITableViewCellStyle>(style)
             : UITableViewCellStyleDefault;
}

}  // namespace

UITableViewCell::UITableViewCell(const NSCoder& coder)
    : UITableViewCell(decodedStyle(coder), coder.decodeStringForKey(kReuseIdentifierKey)) {}

std::shared_ptr<UILabel> UITableViewCell::makeLabel() {
  auto label = std::make_shared<UILabel>();
  contentView_->addSubview(label);
  return label;
}

std::shared_ptr<UILabel> UITableViewCell::textLabel() {
  if (!textLabel_) textLabel_ = makeLabel();
  return textLabel_;
}

std::shared_ptr<UILabel> UITableViewCell::detailTextLabel() {
  if (style_ == UITableViewCellStyleDefault) return nullptr;
  if (!detailTextLabel_) detailTextLabel_ = makeLabel();
  return detailTextLabel_;
}

std::shared_ptr<UIImageView> UITableViewCell::imageView() {
  if (!imageView_) {
    imageView_ = std::make_shared<UIImageView>();
    contentView_->addSubview(imageView_);
  }
  return imageView_;
}

void UITableViewCell::setAccessoryView(std::shared_ptr<UIView> view) {
  if (accessoryView_ == view) return;
  if (accessoryView_) accessoryView_->removeFromSuperview();
  accessoryView_ = std::move(view);
  if (accessoryView_) UIView::addSubview(accessoryView_);
}

void UITableViewCell::setFrame(const CGRect& frame) {
  UIView::setFrame(frame);
  contentView_->setFrame(bounds());
}

CGFloat UITableViewCell::contentHeight() {
  const auto& parts = contentView_->subviews();
  bool constrained = std::any_of(parts.begin(), parts.end(), [](const auto& view) {
    return !view->translatesAutoresizingMaskIntoConstraints();
  });
  if (constrained) {
    auto fitting = LayoutSolver::fittingHeight(*contentView_);
    if (fitting.problem) NSLog("%@%@", LayoutSolver::kLogPrefix, *fitting.problem);
    if (fitting.height) return *fitting.height;
  }
  bool twoLines = style_ == UITableViewCellStyleSubtitle && detailTextLabel_ && detailTextLabel_->text() &&
                  !detailTextLabel_->text()->empty();
  return twoLines ? kSubtitleHeight : kDefaultHeight;
}
