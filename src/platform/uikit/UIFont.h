#pragma once
// A font as a name and a size in points; nothing is rendered here, the
// browser draws with the closest font it has.
#include <memory>
#include <string>

#include "foundation/NSObject.h"

class UIFont : public NSObject {
 public:
  UIFont(std::string fontName, double pointSize, bool bold);

  // Any name is taken (the browser falls back for one it lacks).
  static std::shared_ptr<UIFont> fontWithNameSize(const std::string& fontName, double pointSize);
  static std::shared_ptr<UIFont> systemFontOfSize(double pointSize);
  static std::shared_ptr<UIFont> boldSystemFontOfSize(double pointSize);

  static constexpr const char* kSystemFontName = ".SFUI-Regular";
  static constexpr const char* kBoldSystemFontName = ".SFUI-Semibold";

  const std::string& fontName() const { return fontName_; }
  double pointSize() const { return pointSize_; }
  // The bold system font, or a named font whose name carries "Bold".
  bool isBold() const { return bold_; }
  bool isSystemFont() const { return fontName_.starts_with(".SFUI"); }

  std::string description() const override;

 private:
  std::string fontName_;
  double pointSize_;
  bool bold_;
};
