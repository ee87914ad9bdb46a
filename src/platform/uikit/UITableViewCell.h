#pragma once
// A table row. The built-in labels and image view are made on first use,
// inside the content view; the default style has no detail label.
#include <memory>
#include <optional>
#include <string>

#include "uikit/UIView.h"

class NSCoder;
class UILabel;
class UIImageView;

enum UITableViewCellStyle : int {
  UITableViewCellStyleDefault = 0,
  UITableViewCellStyleValue1 = 1,
  UITableViewCellStyleValue2 = 2,
  UITableViewCellStyleSubtitle = 3,
};

enum UITableViewCellAccessoryType : int {
  UITableViewCellAccessoryNone = 0,
  UITableViewCellAccessoryDisclosureIndicator = 1,
  UITableViewCellAccessoryDetailDisclosureButton = 2,
  UITableViewCellAccessoryCheckmark = 3,
};

enum UITableViewCellSelectionStyle : int {
  UITableViewCellSelectionStyleNone = 0,
  UITableViewCellSelectionStyleBlue = 1,
  UITableViewCellSelectionStyleGray = 2,
  UITableViewCellSelectionStyleDefault = 3,
};

class UITableViewCell : public UIView {
 public:
  static constexpr CGFloat kDefaultHeight = 44;
  static constexpr CGFloat kSubtitleHeight = 56;

  // initWithStyle:reuseIdentifier:
  UITableViewCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);
  UITableViewCell() : UITableViewCell(UITableViewCellStyleDefault, std::nullopt) {}
  // initWithCoder:, for a cell loaded from an interface file (UINib): the
  // style and reuse identifier come from the archive under these keys.
  explicit UITableViewCell(const NSCoder& coder);
  static constexpr const char* kStyleKey = "UITableViewCellStyle";
  static constexpr const char* kReuseIdentifierKey = "UIReuseIdentifier";

  UITableViewCellStyle style() const { return style_; }
  const std::optional<std::string>& reuseIdentifier() const { return reuseIdentifier_; }

  const std::shared_ptr<UIView>& contentView() const { return contentView_; }
  std::shared_ptr<UILabel> textLabel();
  // None for the default style, which has no detail line.
  std::shared_ptr<UILabel> detailTextLabel();
  std::shared_ptr<UIImageView> imageView();
  // The built-in parts as made so far, without making them.
  const std::shared_ptr<UILabel>& existingTextLabel() const { return textLabel_; }
  const std::shared_ptr<UILabel>& existingDetailTextLabel() const { return detailTextLabel_; }
  const std::shared_ptr<UIImageView>& existingImageView() const { return imageView_; }

  UITableViewCellAccessoryType accessoryType() const { return accessoryType_; }
  void setAccessoryType(UITableViewCellAccessoryType type) { accessoryType_ = type; }
  const std::shared_ptr<UIView>& accessoryView() const { return accessoryView_; }
  void setAccessoryView(std::shared_ptr<UIView> view);
  UITableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(UITableViewCellSelectionStyle style) { selectionStyle_ = style; }
  const UIEdgeInsets& separatorInset() const { return separatorInset_; }
  void setSeparatorInset(const UIEdgeInsets& inset) { separatorInset_ = inset; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected) { selected_ = selected; }
  void setSelectedAnimated(bool selected, bool animated) { selected_ = selected; }
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted) { highlighted_ = highlighted; }

  // Called by the table before a cell leaves the reuse pool.
  virtual void prepareForReuse() {}
  // Sent once to a cell loaded from an interface file, after initWithCoder:;
  // never to a cell made in code.
  virtual void awakeFromNib() {}

  // The height a self-sizing row gives this cell: a vertical chain of
  // constraints in the content view when it has one, else the style's height.
  // Constraints that conflict or leave the height open are logged (one NSLog
  // line starting with LayoutSolver::kLogPrefix) and the style's height is used
  // where no height came out.
  virtual CGFloat contentHeight();

  void setFrame(const CGRect& frame) override;

 private:
  std::shared_ptr<UILabel> makeLabel();

  UITableViewCellStyle style_;
  std::optional<std::string> reuseIdentifier_;
  std::shared_ptr<UIView> contentView_;
  std::shared_ptr<UILabel> textLabel_;
  std::shared_ptr<UILabel> detailTextLabel_;
  std::shared_ptr<UIImageView> imageView_;
  UITableViewCellAccessoryType accessoryType_ = UITableViewCellAccessoryNone;
  std::shared_ptr<UIView> accessoryView_;
  UITableViewCellSelectionStyle selectionStyle_ = UITableViewCellSelectionStyleDefault;
  UIEdgeInsets separatorInset_{0, 16, 0, 0};
  bool selected_ = false;
  bool highlighted_ = false;
};
