#pragma once
// A one-line text field. Every edit the user makes is put to the delegate
// first (textField:shouldChangeCharactersInRange:replacementString:) and
// applied only when it agrees. Ending editing asks textFieldShouldEndEditing:
// once: when the delegate itself ends editing from within that question (a
// resign or a forced endEditing:), it is not asked again.
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSRange.h"
#include "uikit/UIControl.h"
#include "uikit/TextEditing.h"
#include "uikit/UIKeyInput.h"
#include "uikit/UILabel.h"

class UIFont;
class UITextField;

class UITextFieldDelegate {
 public:
  virtual ~UITextFieldDelegate() = default;
  virtual bool textFieldShouldBeginEditing(const std::shared_ptr<UITextField>& textField) { return true; }
  virtual void textFieldDidBeginEditing(const std::shared_ptr<UITextField>& textField) {}
  virtual bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>& textField) { return true; }
  virtual void textFieldDidEndEditing(const std::shared_ptr<UITextField>& textField) {}
  virtual bool textFieldShouldChangeCharactersInRangeReplacementString(
      const std::shared_ptr<UITextField>& textField, NSRange range, const std::string& string) {
    return true;
  }
  virtual bool textFieldShouldClear(const std::shared_ptr<UITextField>& textField) { return true; }
  virtual bool textFieldShouldReturn(const std::shared_ptr<UITextField>& textField) { return true; }
};

class UITextField : public UIControl, public UIKeyInput {
 public:
  using UIControl::UIControl;

  std::shared_ptr<UITextFieldDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<UITextFieldDelegate>& delegate) { delegate_ = delegate; }

  // Never none: an unset or cleared field reads as the empty string.
  const std::string& text() const { return text_.utf8(); }
  void setText(std::optional<std::string> text) { text_.assign(text.value_or("")); }
  const std::optional<std::string>& placeholder() const { return placeholder_; }
  void setPlaceholder(std::optional<std::string> placeholder) { placeholder_ = std::move(placeholder); }
  NSTextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(NSTextAlignment alignment) { textAlignment_ = alignment; }
  const std::shared_ptr<UIFont>& font() const { return font_; }
  void setFont(std::shared_ptr<UIFont> font) { font_ = std::move(font); }

  bool isEditing() const { return isFirstResponder(); }
  bool canBecomeFirstResponder() const override { return isEnabled() && isUserInteractionEnabled(); }

  // The keyboard's typing at the end of the text, one character (code
  // point) per call: asks the delegate, applies the change when it agrees,
  // then sends the editing-changed actions. Deleting goes the same way.
  bool insertText(const std::string& character) override;
  bool deleteBackward() override;
  bool hasText() const override { return !text_.empty(); }
  // The return key: offered to the delegate as a line feed at the caret
  // (never inserted); then, while still editing, asks textFieldShouldReturn:
  // and sends did-end-on-exit.
  void userPressReturn();

 protected:
  bool shouldBecomeFirstResponder() override;
  bool shouldResignFirstResponder() override;
  void didBecomeFirstResponder() override;
  void didResignFirstResponder() override;

 private:
  bool allowChange(NSRange range, const std::string& replacement);
  bool changed(bool applied);
  std::shared_ptr<UITextField> self();

  std::weak_ptr<UITextFieldDelegate> delegate_;
  TextEditing::EditableText text_;
  std::optional<std::string> placeholder_;
  NSTextAlignment textAlignment_ = NSTextAlignmentNatural;
  std::shared_ptr<UIFont> font_;
  bool askingToEnd_ = false;
};
