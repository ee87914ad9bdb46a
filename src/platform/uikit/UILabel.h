#pragma once
// A text in a view: one line, or as many as numberOfLines lets it wrap to.
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

  // The height of one line of its font.
  CGFloat lineHeight() const;
  // Its text's height at that width: a line of lineHeight() for each line
  // shown. numberOfLines 1 shows one line; 0 every line the text needs (one
  // per line break, more where a line wraps at the width); N at most N. 0 for
  // no text. Nothing is rendered here, so wrapping is reckoned from an average
  // glyph width of half the font's size, per user-perceived character.
  CGFloat intrinsicContentHeight(CGFloat width) const override;

 private:
  std::optional<std::string> text_;
  std::shared_ptr<UIFont> font_;
  std::shared_ptr<UIColor> textColor_;
  NSTextAlignment textAlignment_ = NSTextAlignmentNatural;
  long numberOfLines_ = 1;
};
