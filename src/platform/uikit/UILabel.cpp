#include "uikit/UILabel.h"

#include <cmath>

#include "uikit/UIFont.h"

// One line: the font's size and its leading, rounded up to a half point.
CGFloat UILabel::intrinsicContentHeight() const {
  if (!text_ || text_->empty()) return 0;
  if (!font_) return kDefaultLineHeight;
  return std::ceil(font_->pointSize() * 1.2 * 2) / 2;
}
