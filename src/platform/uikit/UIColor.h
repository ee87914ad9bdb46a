#pragma once
// A colour as its components in sRGB (0...1), and, for UIKit's named system
// colours, the name, so that the screen model can tell "secondaryLabelColor"
// from a colour that happens to have the same components.
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSObject.h"

class UIColor : public NSObject {
 public:
  UIColor(double red, double green, double blue, double alpha,
          std::optional<std::string> name = std::nullopt);

  static std::shared_ptr<UIColor> colorWithRedGreenBlueAlpha(double red, double green, double blue,
                                                             double alpha);
  static std::shared_ptr<UIColor> colorWithWhiteAlpha(double white, double alpha);

  static std::shared_ptr<UIColor> clearColor();
  static std::shared_ptr<UIColor> whiteColor();
  static std::shared_ptr<UIColor> blackColor();
  static std::shared_ptr<UIColor> grayColor();
  static std::shared_ptr<UIColor> redColor();
  // Dynamic system colours, in their light appearance.
  static std::shared_ptr<UIColor> labelColor();
  static std::shared_ptr<UIColor> secondaryLabelColor();
  static std::shared_ptr<UIColor> tertiaryLabelColor();
  static std::shared_ptr<UIColor> systemBlueColor();
  static std::shared_ptr<UIColor> systemRedColor();
  static std::shared_ptr<UIColor> systemGrayColor();
  static std::shared_ptr<UIColor> systemBackgroundColor();
  static std::shared_ptr<UIColor> systemGroupedBackgroundColor();
  static std::shared_ptr<UIColor> separatorColor();

  double red() const { return red_; }
  double green() const { return green_; }
  double blue() const { return blue_; }
  double alpha() const { return alpha_; }
  // The class method it came from ("clearColor"), or none for a made colour.
  const std::optional<std::string>& name() const { return name_; }

  // Same components, as isEqual: compares them.
  bool isEqual(const UIColor& other) const;
  // "#rrggbbaa", for drawing.
  std::string hexString() const;
  // "UIExtendedSRGBColorSpace 1 1 1 1", as UIKit prints a colour.
  std::string description() const override;

 private:
  double red_, green_, blue_, alpha_;
  std::optional<std::string> name_;
};
