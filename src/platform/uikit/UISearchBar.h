#pragma once
// A search field, usually the navigation bar's title view. Its delegate is
// told when editing begins, of every change of the text, and of taps on the
// search (keyboard) and cancel buttons.
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSRange.h"
#include "uikit/TextEditing.h"
#include "uikit/UIKeyInput.h"
#include "uikit/UIView.h"

class UISearchBar;

class UISearchBarDelegate {
 public:
  virtual ~UISearchBarDelegate() = default;
  virtual bool searchBarShouldBeginEditing(const std::shared_ptr<UISearchBar>& searchBar) { return true; }
  virtual void searchBarTextDidBeginEditing(const std::shared_ptr<UISearchBar>& searchBar) {}
  virtual bool searchBarShouldEndEditing(const std::shared_ptr<UISearchBar>& searchBar) { return true; }
  virtual void searchBarTextDidEndEditing(const std::shared_ptr<UISearchBar>& searchBar) {}
  virtual void searchBarTextDidChange(const std::shared_ptr<UISearchBar>& searchBar, const std::string& searchText) {}
  virtual bool searchBarShouldChangeTextInRangeReplacementText(const std::shared_ptr<UISearchBar>& searchBar,
                                                               NSRange range, const std::string& text) {
    return true;
  }
  virtual void searchBarSearchButtonClicked(const std::shared_ptr<UISearchBar>& searchBar) {}
  virtual void searchBarCancelButtonClicked(const std::shared_ptr<UISearchBar>& searchBar) {}
};

class UISearchBar : public UIView, public UIKeyInput {
 public:
  using UIView::UIView;

  std::shared_ptr<UISearchBarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<UISearchBarDelegate>& delegate) { delegate_ = delegate; }

  const std::string& text() const { return text_.utf8(); }
  // Setting the text in code tells the delegate nothing, as in UIKit.
  void setText(std::optional<std::string> text) { text_.assign(text.value_or("")); }
  const std::optional<std::string>& placeholder() const { return placeholder_; }
  void setPlaceholder(std::optional<std::string> placeholder) { placeholder_ = std::move(placeholder); }
  bool showsCancelButton() const { return showsCancelButton_; }
  void setShowsCancelButton(bool shows) { showsCancelButton_ = shows; }
  void setShowsCancelButtonAnimated(bool shows, bool animated) { showsCancelButton_ = shows; }

  bool canBecomeFirstResponder() const override { return isUserInteractionEnabled(); }
  // A search bar standing in a navigation bar is in the key window.
  std::shared_ptr<UIWindow> responderWindow() const override;

  // The keyboard's typing and deleting (one character per call), each
  // change put to the delegate and then told to it; true when applied.
  bool insertText(const std::string& character) override;
  bool deleteBackward() override;
  bool hasText() const override { return !text_.empty(); }
  void userTapSearchButton();
  // Only while the cancel button is shown.
  void userTapCancelButton();

 protected:
  bool shouldBecomeFirstResponder() override;
  bool shouldResignFirstResponder() override;
  void didBecomeFirstResponder() override;
  void didResignFirstResponder() override;

 private:
  bool allowChange(NSRange range, const std::string& replacement);
  bool changed(bool applied);
  std::shared_ptr<UISearchBar> self();

  std::weak_ptr<UISearchBarDelegate> delegate_;
  TextEditing::EditableText text_;
  std::optional<std::string> placeholder_;
  bool showsCancelButton_ = false;
};
