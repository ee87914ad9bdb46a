#include "uikit/UITextField.h"

#include "uikit/TextEditing.h"

std::shared_ptr<UITextField> UITextField::self() {
  return std::static_pointer_cast<UITextField>(shared_from_this());
}

bool UITextField::shouldBecomeFirstResponder() {
  auto delegate = this->delegate();
  return !delegate || delegate->textFieldShouldBeginEditing(self());
}

void UITextField::didBecomeFirstResponder() {
  if (auto delegate = this->delegate()) delegate->textFieldDidBeginEditing(self());
  sendActionsForControlEvents(UIControlEventEditingDidBegin);
}

// The delegate is asked once: when it ends editing itself from within the
// question, the nested resign does not ask again.
bool UITextField::shouldResignFirstResponder() {
  if (askingToEnd_) return true;
  auto delegate = this->delegate();
  if (!delegate) return true;
  askingToEnd_ = true;
  bool agreed = false;
  try {
    agreed = delegate->textFieldShouldEndEditing(self());
  } catch (...) {
    askingToEnd_ = false;
    throw;
  }
  askingToEnd_ = false;
  return agreed;
}

void UITextField::didResignFirstResponder() {
  if (auto delegate = this->delegate()) delegate->textFieldDidEndEditing(self());
  sendActionsForControlEvents(UIControlEventEditingDidEnd);
}

bool UITextField::replaceRange(NSRange range, std::size_t byteStart, const std::string& replacement) {
  auto delegate = this->delegate();
  if (delegate && !delegate->textFieldShouldChangeCharactersInRangeReplacementString(self(), range, replacement))
    return false;
  text_.replace(byteStart, std::string::npos, replacement);
  sendActionsForControlEvents(UIControlEventEditingChanged);
  return true;
}

bool UITextField::userInsertText(const std::string& character) {
  return replaceRange(TextEditing::appendRange(text_), text_.size(), character);
}

bool UITextField::userDeleteBackward() {
  if (text_.empty()) return false;
  return replaceRange(TextEditing::lastCharacterRange(text_), TextEditing::lastCharacterStart(text_), "");
}

void UITextField::userPressReturn() {
  auto delegate = this->delegate();
  if (delegate && !delegate->textFieldShouldReturn(self())) return;
  sendActionsForControlEvents(UIControlEventEditingDidEndOnExit);
}
