#pragma once
// A line of text in a view.
#include <memory>
#include <optional>
#include <string>

#include "uikit/UIView.h"

class UIFont;

enum NSTextAlignment : int {
  NSTextAlignmentLeft = 0,
  NSTextAlignmentCenter = 1,
  NSTextAlignmentRight = 2,
  NSTextAlignmentJustified = 3,
  NSTextAlignmentNatural = 4,
};

class UILabel : public UIView {
 public:
  using UIView::UIView;

  const std::optional<std::string>& text() const { return text_; }
  void setText(std::optional<std::string> text) { text_ = std::move(text); }
  static constexpr CGFloat kDefaultLineHeight = 20.5;  // the system font of 17 points

  // None: the system font of 17 points.
  const std::shared_ptr<UIFont>& font() const { return font_; }
  void setFont(std::shared_ptr<UIFont> font) { font_ = std::move(font); }
  const std::shared_ptr<UIColor>& textColor() const { return textColor_; }  // none: the default label colour
  void setTextColor(std::shared_ptr<UIColor> color) { textColor_ = std::move(color); }
  NSTextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(NSTextAlignment alignment) { textAlignment_ = alignment; }
  long numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(long lines) { numberOfLines_ = lines; }

  // One line of the font's height; none for no text.
  CGFloat intrinsicContentHeight() const override;

 private:
  std::optional<std::string> text_;
  std::shared_ptr<UIFont> font_;
  std::shared_ptr<UIColor> textColor_;
  NSTextAlignment textAlignment_ = NSTextAlignmentNatural;
  long numberOfLines_ = 1;
};
