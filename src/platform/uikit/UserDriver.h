#pragma once
// Acts on the screen as a person would, and tells what the screen shows.
// Every action runs on the calling thread, which must be the main thread,
// and ends by running the main queue's work that is due (not future timers).
// Actions take element ids from the ScreenModel; the *ByText helpers find
// the first visible row whose text (or label) equals the given text.
// An action on an element that is not on screen throws std::invalid_argument
// with a message saying what was not found.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uikit/NSIndexPath.h"
#include "uikit/ScreenBuilder.h"
#include "uikit/ScreenModel.h"

class UIKeyInput;
class UISearchBar;
class UITableView;
class UITableViewCell;
class UITextField;
class UIWindow;

class UserDriver {
 public:
  explicit UserDriver(std::shared_ptr<UIWindow> window);

  Screen screen() const;

  // Table
  void tapRow(const std::string& rowId);
  void tapRowByText(const std::string& text);
  void flipSwitch(const std::string& switchId);
  void flipSwitchByText(const std::string& rowText);
  void scrollTo(double contentOffset);
  // The visible height of the top table, and of each table shown after it.
  void setViewportHeight(double height);

  // Text fields in rows: tapping makes the field first responder; typing
  // sends one replacement per character through the delegate; endEditing
  // ends editing as a tap outside the field does. editText taps the field
  // when it is not being edited, then changes its text as replaceText does.
  void tapTextField(const std::string& fieldId);
  void editText(const std::string& fieldId, const std::string& text);
  void typeText(const std::string& text);
  void deleteBackward();
  void pressReturn();
  void endEditing();

  // Search bar in the navigation bar
  void tapSearchBar();
  void setSearchText(const std::string& text);  // as replaceText; each change told to the delegate
  void tapSearchButton();
  void tapSearchCancelButton();

  // Navigation bar
  void tapRightBarButton();
  void goBack();

  // Alert: fill its text fields (in order), then tap the action.
  void tapAlertAction(const std::string& title, const std::vector<std::string>& fieldTexts = {});

  // Mail sheet: the presented controller performs "mail/send" and
  // "mail/cancel" (UIViewController::performUserAction).
  void sendMail();
  void cancelMail();
  // Text the person edited on a presented screen ("mail/subject", "mail/body").
  void editPresentedText(const std::string& fieldId, const std::string& text);

  const std::shared_ptr<UIWindow>& window() const { return window_; }

 private:
  void settle();
  void keepViewportHeight();
  ScreenBuilder::Parts pageParts(const std::string& action) const;
  struct VisibleRow {
    std::shared_ptr<UITableView> table;
    NSIndexPath indexPath;
    std::shared_ptr<UITableViewCell> cell;
  };
  VisibleRow visibleRow(const std::string& rowId) const;
  std::string rowIdForText(const std::string& text) const;
  std::shared_ptr<UITextField> fieldById(const std::string& fieldId) const;
  std::shared_ptr<UIKeyInput> keyboardTarget(const std::string& action) const;
  std::shared_ptr<UISearchBar> searchBar() const;
  void performPresentedAction(const std::string& actionId, const std::string& what);
  // Turns the target's current text into the wanted one as a person would:
  // deletes back to the common start (whole characters), then types the
  // rest. A refused deletion stops it: typing on would make a third text.
  void replaceText(UIKeyInput& target, const std::string& current, const std::string& wanted);
  void typeCharacters(UIKeyInput& target, const std::string& text);

  std::shared_ptr<UIWindow> window_;
  std::optional<double> viewportHeight_;  // as the browser last told it
};
