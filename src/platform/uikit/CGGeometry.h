#pragma once
// The CoreGraphics geometry the pages use: points as doubles, rectangles
// with an origin and a size, and UIKit's edge insets.
#include <cmath>
#include <limits>

using CGFloat = double;

inline constexpr CGFloat CGFLOAT_MAX = std::numeric_limits<CGFloat>::max();

struct CGPoint {
  CGFloat x = 0;
  CGFloat y = 0;
  bool operator==(const CGPoint&) const = default;
};

struct CGSize {
  CGFloat width = 0;
  CGFloat height = 0;
  bool operator==(const CGSize&) const = default;
};

struct CGRect {
  CGPoint origin;
  CGSize size;
  bool operator==(const CGRect&) const = default;
};

inline constexpr CGRect CGRectZero{};

inline constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  return CGRect{{x, y}, {width, height}};
}

// As CoreGraphics, the getters read the standardised rectangle: a negative
// size counts as its absolute value.
inline CGFloat CGRectGetWidth(const CGRect& rect) { return std::fabs(rect.size.width); }
inline CGFloat CGRectGetHeight(const CGRect& rect) { return std::fabs(rect.size.height); }
inline CGFloat CGRectGetMinX(const CGRect& rect) {
  return std::fmin(rect.origin.x, rect.origin.x + rect.size.width);
}
inline CGFloat CGRectGetMinY(const CGRect& rect) {
  return std::fmin(rect.origin.y, rect.origin.y + rect.size.height);
}
inline CGFloat CGRectGetMaxX(const CGRect& rect) { return CGRectGetMinX(rect) + CGRectGetWidth(rect); }
inline CGFloat CGRectGetMaxY(const CGRect& rect) { return CGRectGetMinY(rect) + CGRectGetHeight(rect); }

struct UIEdgeInsets {
  CGFloat top = 0;
  CGFloat left = 0;
  CGFloat bottom = 0;
  CGFloat right = 0;
  bool operator==(const UIEdgeInsets&) const = default;
};

inline constexpr UIEdgeInsets UIEdgeInsetsMake(CGFloat top, CGFloat left, CGFloat bottom, CGFloat right) {
  return UIEdgeInsets{top, left, bottom, right};
}
