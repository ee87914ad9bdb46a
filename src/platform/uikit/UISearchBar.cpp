#include "uikit/UISearchBar.h"

#include "uikit/TextEditing.h"
#include "uikit/UIWindow.h"

std::shared_ptr<UISearchBar> UISearchBar::self() {
  return std::static_pointer_cast<UISearchBar>(shared_from_this());
}

std::shared_ptr<UIWindow> UISearchBar::responderWindow() const {
  if (auto own = window()) return own;
  return UIWindow::keyWindow();
}

bool UISearchBar::shouldBecomeFirstResponder() {
  auto delegate = this->delegate();
  return !delegate || delegate->searchBarShouldBeginEditing(self());
}

void UISearchBar::didBecomeFirstResponder() {
  if (auto delegate = this->delegate()) delegate->searchBarTextDidBeginEditing(self());
}

bool UISearchBar::shouldResignFirstResponder() {
  auto delegate = this->delegate();
  return !delegate || delegate->searchBarShouldEndEditing(self());
}

void UISearchBar::didResignFirstResponder() {
  if (auto delegate = this->delegate()) delegate->searchBarTextDidEndEditing(self());
}

bool UISearchBar::replace(NSRange range, std::size_t byteStart, const std::string& replacement) {
  auto delegate = this->delegate();
  if (delegate && !delegate->searchBarShouldChangeTextInRangeReplacementText(self(), range, replacement))
    return false;
  text_.replace(byteStart, std::string::npos, replacement);
  if (delegate) delegate->searchBarTextDidChange(self(), text_);
  return true;
}

bool UISearchBar::userInsertText(const std::string& character) {
  return replace(TextEditing::appendRange(text_), text_.size(), character);
}

bool UISearchBar::userDeleteBackward() {
  if (text_.empty()) return false;
  return replace(TextEditing::lastCharacterRange(text_), TextEditing::lastCharacterStart(text_), "");
}

void UISearchBar::userTapSearchButton() {
  if (auto delegate = this->delegate()) delegate->searchBarSearchButtonClicked(self());
}

void UISearchBar::userTapCancelButton() {
  if (!showsCancelButton_) return;
  if (auto delegate = this->delegate()) delegate->searchBarCancelButtonClicked(self());
}
