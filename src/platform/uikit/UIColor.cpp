#include "uikit/UIColor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double clamped(double component) { return std::clamp(component, 0.0, 1.0); }

std::shared_ptr<UIColor> named(const char* name, double red, double green, double blue,
                               double alpha = 1) {
  return std::make_shared<UIColor>(red / 255, green / 255, blue / 255, alpha, name);
}

// As %g prints it, which is how UIKit's description prints components.
std::string component(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

UIColor::UIColor(double red, double green, double blue, double alpha, std::optional<std::string> name)
    : red_(clamped(red)), green_(clamped(green)), blue_(clamped(blue)), alpha_(clamped(alpha)),
      name_(std::move(name)) {}

std::shared_ptr<UIColor> UIColor::colorWithRedGreenBlueAlpha(double red, double green, double blue,
                                                             double alpha) {
  return std::make_shared<UIColor>(red, green, blue, alpha);
}

std::shared_ptr<UIColor> UIColor::colorWithWhiteAlpha(double white, double alpha) {
  return std::make_shared<UIColor>(white, white, white, alpha);
}

std::shared_ptr<UIColor> UIColor::clearColor() { return named("clearColor", 0, 0, 0, 0); }
std::shared_ptr<UIColor> UIColor::whiteColor() { return named("whiteColor", 255, 255, 255); }
std::shared_ptr<UIColor> UIColor::blackColor() { return named("blackColor", 0, 0, 0); }
std::shared_ptr<UIColor> UIColor::grayColor() { return named("grayColor", 127.5, 127.5, 127.5); }
std::shared_ptr<UIColor> UIColor::redColor() { return named("redColor", 255, 0, 0); }
std::shared_ptr<UIColor> UIColor::labelColor() { return named("labelColor", 0, 0, 0); }
std::shared_ptr<UIColor> UIColor::secondaryLabelColor() {
  return named("secondaryLabelColor", 60, 60, 67, 0.6);
}
std::shared_ptr<UIColor> UIColor::tertiaryLabelColor() {
  return named("tertiaryLabelColor", 60, 60, 67, 0.3);
}
std::shared_ptr<UIColor> UIColor::systemBlueColor() { return named("systemBlueColor", 0, 122, 255); }
std::shared_ptr<UIColor> UIColor::systemRedColor() { return named("systemRedColor", 255, 59, 48); }
std::shared_ptr<UIColor> UIColor::systemGrayColor() {
  return named("systemGrayColor", 142, 142, 147);
}
std::shared_ptr<UIColor> UIColor::systemBackgroundColor() {
  return named("systemBackgroundColor", 255, 255, 255);
}
std::shared_ptr<UIColor> UIColor::systemGroupedBackgroundColor() {
  return named("systemGroupedBackgroundColor", 242, 242, 247);
}
std::shared_ptr<UIColor> UIColor::separatorColor() {
  return named("separatorColor", 60, 60, 67, 0.29);
}

bool UIColor::isEqual(const UIColor& other) const {
  return red_ == other.red_ && green_ == other.green_ && blue_ == other.blue_ &&
         alpha_ == other.alpha_;
}

std::string UIColor::hexString() const {
  auto byte = [](double value) { return static_cast<unsigned>(std::lround(value * 255)); };
  char text[16];
  std::snprintf(text, sizeof text, "#%02x%02x%02x%02x", byte(red_), byte(green_), byte(blue_),
                byte(alpha_));
  return text;
}

std::string UIColor::description() const {
  return "UIExtendedSRGBColorSpace " + component(red_) + " " + component(green_) + " " +
         component(blue_) + " " + component(alpha_);
}
