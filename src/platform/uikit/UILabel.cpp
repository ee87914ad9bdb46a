#include "uikit/UILabel.h"

#include <utf8proc.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "uikit/UIFont.h"

namespace {

constexpr double kDefaultPointSize = 17;
constexpr double kAverageAdvance = 0.5;  // of the point size, per character

// User-perceived characters; a byte that is not UTF-8 counts as one.
std::size_t characterCount(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto length = static_cast<utf8proc_ssize_t>(text.size());
  utf8proc_int32_t state = 0, previous = -1;
  std::size_t count = 0;
  for (utf8proc_ssize_t offset = 0; offset < length;) {
    utf8proc_int32_t codepoint = 0;
    utf8proc_ssize_t read = utf8proc_iterate(bytes + offset, length - offset, &codepoint);
    if (read <= 0) {
      codepoint = 0xFFFD;
      read = 1;
    }
    if (previous < 0 || utf8proc_grapheme_break_stateful(previous, codepoint, &state)) ++count;
    previous = codepoint;
    offset += read;
  }
  return count;
}

long wrappedLines(std::string_view paragraph, double pointSize, CGFloat width) {
  if (width <= 0) return 1;
  const double advance = static_cast<double>(characterCount(paragraph)) * kAverageAdvance * pointSize;
  return std::max(1L, static_cast<long>(std::ceil(advance / width)));
}

}  // namespace

// The font's size and its leading, rounded up to a half point.
CGFloat UILabel::lineHeight() const {
  if (!font_) return kDefaultLineHeight;
  return std::ceil(font_->pointSize() * 1.2 * 2) / 2;
}

CGFloat UILabel::intrinsicContentHeight(CGFloat width) const {
  if (!text_ || text_->empty()) return 0;
  long lines = 1;
  if (numberOfLines_ != 1) {
    const double pointSize = font_ ? font_->pointSize() : kDefaultPointSize;
    lines = 0;
    std::string_view rest = *text_;
    for (;;) {
      const auto end = rest.find('\n');
      lines += wrappedLines(rest.substr(0, end), pointSize, width);
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
    if (numberOfLines_ > 1) lines = std::min(lines, numberOfLines_);
  }
  return static_cast<CGFloat>(lines) * lineHeight();
}
