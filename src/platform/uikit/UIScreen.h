#pragma once
// The device's screen: its size in points and how many pixels make a point.
// The host may set the scale the browser draws at; tests set what they need.
#include <memory>

#include "foundation/NSObject.h"
#include "uikit/CGGeometry.h"

class UIScreen : public NSObject {
 public:
  static std::shared_ptr<UIScreen> mainScreen();

  CGFloat scale() const { return scale_; }
  // 1, 2 or 3, as an iPhone has; other values are refused (std::invalid_argument).
  void setScale(CGFloat scale);
  const CGRect& bounds() const { return bounds_; }
  void setBounds(const CGRect& bounds) { bounds_ = bounds; }

 private:
  CGFloat scale_ = 3;
  CGRect bounds_ = CGRectMake(0, 0, 390, 844);
};
