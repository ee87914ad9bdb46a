#include "uikit/UIScreen.h"

#include <stdexcept>
#include <string>

std::shared_ptr<UIScreen> UIScreen::mainScreen() {
  static const auto screen = std::make_shared<UIScreen>();
  return screen;
}

void UIScreen::setScale(CGFloat scale) {
  if (scale != 1 && scale != 2 && scale != 3) {
    throw std::invalid_argument("UIScreen scale must be 1, 2 or 3, not " + std::to_string(scale));
  }
  scale_ = scale;
}
