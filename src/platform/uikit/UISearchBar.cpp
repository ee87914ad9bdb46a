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

bool UISearchBar::allowChange(NSRange range, const std::string& replacement) {
  auto delegate = this->delegate();
  return !delegate || delegate->searchBarShouldChangeTextInRangeReplacementText(self(), range, replacement);
}

bool UISearchBar::changed(bool applied) {
  if (auto delegate = this->delegate(); applied && delegate) delegate->searchBarTextDidChange(self(), text_.utf8());
  return applied;
}

bool UISearchBar::insertText(const std::string& character) {
  return changed(TextEditing::appendCharacter(
      text_, character, [this](NSRange range, const std::string& text) { return allowChange(range, text); }));
}

bool UISearchBar::deleteBackward() {
  return changed(TextEditing::deleteLastCharacter(
      text_, [this](NSRange range, const std::string& text) { return allowChange(range, text); }));
}

void UISearchBar::userTapSearchButton() {
  if (auto delegate = this->delegate()) delegate->searchBarSearchButtonClicked(self());
}

void UISearchBar::userTapCancelButton() {
  if (!showsCancelButton_) return;
  if (auto delegate = this->delegate()) delegate->searchBarCancelButtonClicked(self());
}
