#pragma once
// An on/off switch. setOn: sends no action; the user's tap flips it and
// sends its value-changed, then its touch-up-inside actions.
#include "uikit/UIControl.h"

class UISwitch : public UIControl {
 public:
  static constexpr CGFloat kWidth = 51;
  static constexpr CGFloat kHeight = 31;

  UISwitch() : UISwitch(CGRectZero) {}
  // initWithFrame: a switch keeps its own size whatever the frame asks.
  explicit UISwitch(const CGRect& frame)
      : UIControl(CGRectMake(frame.origin.x, frame.origin.y, kWidth, kHeight)) {}

  bool isOn() const { return on_; }
  void setOn(bool on) { on_ = on; }
  void setOnAnimated(bool on, bool animated) { on_ = on; }

  // The user's tap.
  void userTap();

 private:
  bool on_ = false;
};
