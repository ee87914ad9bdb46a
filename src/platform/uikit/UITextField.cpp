#include "uikit/UITextField.h"

#include "uikit/ReentryGuard.h"
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
  ReentryGuard asking(askingToEnd_);
  return delegate->textFieldShouldEndEditing(self());
}

void UITextField::didResignFirstResponder() {
  if (auto delegate = this->delegate()) delegate->textFieldDidEndEditing(self());
  sendActionsForControlEvents(UIControlEventEditingDidEnd);
}

bool UITextField::allowChange(NSRange range, const std::string& replacement) {
  auto delegate = this->delegate();
  return !delegate || delegate->textFieldShouldChangeCharactersInRangeReplacementString(self(), range, replacement);
}

bool UITextField::changed(bool applied) {
  if (applied) sendActionsForControlEvents(UIControlEventEditingChanged);
  return applied;
}

bool UITextField::insertText(const std::string& character) {
  return changed(TextEditing::appendCharacter(
      text_, character, [this](NSRange range, const std::string& text) { return allowChange(range, text); }));
}

bool UITextField::deleteBackward() {
  return changed(TextEditing::deleteLastCharacter(
      text_, [this](NSRange range, const std::string& text) { return allowChange(range, text); }));
}

// The delegate first sees the return key as a line feed at the caret (a
// delegate's own return-key handling lives there); a one-line field never
// takes it. Only a field still editing then asks textFieldShouldReturn:.
void UITextField::userPressReturn() {
  allowChange(text_.appendRange(), "\n");
  if (!isEditing()) return;
  auto delegate = this->delegate();
  if (delegate && !delegate->textFieldShouldReturn(self())) return;
  sendActionsForControlEvents(UIControlEventEditingDidEndOnExit);
}
