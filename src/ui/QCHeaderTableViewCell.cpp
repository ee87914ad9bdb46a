#include "ui/QCHeaderTableViewCell.h"

#include "uikit/CGGeometry.h"
#include "uikit/NSLayoutConstraint.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UIScreen.h"

std::string QCHeaderTableViewCell::classReuseIdentifier() { return "QCHeaderTableViewCellIdentifier"; }

QCHeaderTableViewCell::QCHeaderTableViewCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
    : UITableViewCell(style, std::move(reuseIdentifier)) {
  initialize();
}

QCHeaderTableViewCell::QCHeaderTableViewCell(const NSCoder& coder) : UITableViewCell(coder) {}

void QCHeaderTableViewCell::awakeFromNib() {
  UITableViewCell::awakeFromNib();
  initialize();
}

void QCHeaderTableViewCell::initialize() {
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  // A left inset past any width moves the separator out of sight.
  setSeparatorInset(UIEdgeInsetsMake(0, CGFLOAT_MAX, 0, 0));
  setBackgroundColor(UIColor::clearColor());
  // The title first: the detail label hangs from its bottom.
  addTitleLabel();
  addDetailLabel();
}

void QCHeaderTableViewCell::addTitleLabel() {
  setTitleLabel(std::make_shared<UILabel>());
  titleLabel_->setTextAlignment(NSTextAlignmentCenter);
  titleLabel_->setFont(UIFont::fontWithNameSize("AvenirNext-Bold", 28));
  const auto& content = contentView();
  content->addSubview(titleLabel_);
  titleLabel_->setTranslatesAutoresizingMaskIntoConstraints(false);
  titleLabel_->topAnchor().constraintEqualToAnchorConstant(content->topAnchor(), 15)->setActive(true);
  titleLabel_->leadingAnchor().constraintEqualToAnchor(content->leadingAnchor())->setActive(true);
  titleLabel_->trailingAnchor().constraintEqualToAnchor(content->trailingAnchor())->setActive(true);
  titleLabel_->heightAnchor().constraintEqualToConstant(30)->setActive(true);
}

void QCHeaderTableViewCell::addDetailLabel() {
  setDetailLabel(std::make_shared<UILabel>());
  detailLabel_->setTextAlignment(NSTextAlignmentCenter);
  detailLabel_->setFont(UIFont::systemFontOfSize(15));
  detailLabel_->setTextColor(UIColor::secondaryLabelColor());
  const auto& content = contentView();
  content->addSubview(detailLabel_);
  detailLabel_->setTranslatesAutoresizingMaskIntoConstraints(false);
  detailLabel_->topAnchor().constraintEqualToAnchorConstant(titleLabel_->bottomAnchor(), 5)->setActive(true);
  detailLabel_->leadingAnchor().constraintEqualToAnchor(content->leadingAnchor())->setActive(true);
  detailLabel_->trailingAnchor().constraintEqualToAnchor(content->trailingAnchor())->setActive(true);
  detailLabel_->bottomAnchor().constraintEqualToAnchorConstant(content->bottomAnchor(), -15)->setActive(true);
  detailLabel_->heightAnchor().constraintGreaterThanOrEqualToConstant(20)->setActive(true);
}

void QCHeaderTableViewCell::addSubview(const std::shared_ptr<UIView>& view) {
  // Exactly one device pixel: a hairline. Anything else, however close, stays.
  if (view && CGRectGetHeight(view->frame()) * UIScreen::mainScreen()->scale() == 1.0) return;
  UITableViewCell::addSubview(view);
}
