#include "uikit/UIFont.h"

#include <cstdio>

UIFont::UIFont(std::string fontName, double pointSize, bool bold)
    : fontName_(std::move(fontName)), pointSize_(pointSize), bold_(bold) {}

std::shared_ptr<UIFont> UIFont::fontWithNameSize(const std::string& fontName, double pointSize) {
  const bool bold = fontName.find("Bold") != std::string::npos;
  return std::make_shared<UIFont>(fontName, pointSize, bold);
}

std::shared_ptr<UIFont> UIFont::systemFontOfSize(double pointSize) {
  return std::make_shared<UIFont>(kSystemFontName, pointSize, false);
}

std::shared_ptr<UIFont> UIFont::boldSystemFontOfSize(double pointSize) {
  return std::make_shared<UIFont>(kBoldSystemFontName, pointSize, true);
}

std::string UIFont::description() const {
  char size[32];
  std::snprintf(size, sizeof size, "%gpt", pointSize_);
  return "<UICTFont> font-family: \"" + fontName_ + "\"; font-size: " + size;
}
