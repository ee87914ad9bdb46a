#include "uikit/UserDriver.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <string_view>

#include "dispatch/MainRunLoop.h"
#include "uikit/ScreenBuilder.h"
#include "uikit/TextEditing.h"
#include "uikit/UIAlertController.h"
#include "uikit/UIBarButtonItem.h"
#include "uikit/UIKeyInput.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UISearchBar.h"
#include "uikit/UISwitch.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITextField.h"
#include "uikit/UIWindow.h"

namespace {

[[noreturn]] void notOnScreen(const std::string& what) { throw std::invalid_argument(what + " is not on screen"); }

// The text as the keyboard types it: one character (code point) at a time.
std::vector<std::string> characters(const std::string& text) {
  std::vector<std::string> result;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = start + 1;
    while (end < text.size() && TextEditing::isContinuationByte(text[end])) ++end;
    result.push_back(text.substr(start, end - start));
    start = end;
  }
  return result;
}

// Length in bytes of the common start of two UTF-8 texts, backed off to the
// start of a character both share only in part (é and è share a lead byte).
std::size_t commonStart(const std::string& left, const std::string& right) {
  std::size_t length = std::mismatch(left.begin(), left.end(), right.begin(), right.end()).first - left.begin();
  auto insideCharacter = [&length](const std::string& text) {
    return length < text.size() && TextEditing::isContinuationByte(text[length]);
  };
  while (length > 0 && (insideCharacter(left) || insideCharacter(right))) --length;
  return length;
}

std::size_t characterCount(const std::string& text, std::size_t from) {
  return static_cast<std::size_t>(std::count_if(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                                [](char byte) { return !TextEditing::isContinuationByte(byte); }));
}

bool rowShows(UITableViewCell& cell, const std::string& text) {
  if (cell.existingTextLabel() && cell.existingTextLabel()->text() == text) return true;
  auto labels = ScreenBuilder::labelsIn(cell);
  return std::any_of(labels.begin(), labels.end(), [&text](const auto& label) { return label->text() == text; });
}

}  // namespace

UserDriver::UserDriver(std::shared_ptr<UIWindow> window) : window_(std::move(window)) {}

Screen UserDriver::screen() const {
  window_->layoutIfNeeded();
  return ScreenBuilder::describe(*window_);
}

// Ends every action as the end of a run loop turn does: main-queue work
// that is due runs, then the window lays out (tables ask for new rows). A
// page pushed since gets the viewport height told for the page before it,
// so that its first rows are the ones the browser will show.
void UserDriver::settle() {
  keepViewportHeight();  // before the due work, which may show the screen
  MainRunLoop::main().runDue();
  keepViewportHeight();
  window_->layoutIfNeeded();
}

void UserDriver::keepViewportHeight() {
  if (!viewportHeight_) return;
  if (auto table = ScreenBuilder::find(*window_).table) table->setViewportHeight(*viewportHeight_);
}

ScreenBuilder::Parts UserDriver::pageParts(const std::string& action) const {
  window_->layoutIfNeeded();
  auto parts = ScreenBuilder::find(*window_);
  if (!parts.page) throw std::invalid_argument(action + ": the window shows no page");
  if (parts.presented) throw std::invalid_argument(action + ": a presented screen covers the page");
  return parts;
}

UserDriver::VisibleRow UserDriver::visibleRow(const std::string& rowId) const {
  auto parts = pageParts("row " + rowId);
  auto indexPath = ScreenBuilder::parseRowId(rowId);
  if (!indexPath || !parts.table) notOnScreen("row " + rowId);
  auto cell = parts.table->cellForRowAtIndexPath(*indexPath);
  if (!cell) notOnScreen("row " + rowId);
  return {parts.table, *indexPath, cell};
}

std::string UserDriver::rowIdForText(const std::string& text) const {
  auto parts = pageParts("row \"" + text + "\"");
  if (parts.table)
    for (const auto& indexPath : parts.table->indexPathsForVisibleRows())
      if (rowShows(*parts.table->cellForRowAtIndexPath(indexPath), text)) return ScreenBuilder::rowId(indexPath);
  notOnScreen("a row showing \"" + text + "\"");
}

void UserDriver::tapRow(const std::string& rowId) {
  auto row = visibleRow(rowId);
  row.table->userSelectRow(row.indexPath);
  settle();
}

void UserDriver::tapRowByText(const std::string& text) { tapRow(rowIdForText(text)); }

void UserDriver::flipSwitch(const std::string& switchId) {
  const std::string suffix = "/switch";
  if (!switchId.ends_with(suffix)) notOnScreen("switch " + switchId);
  auto row = visibleRow(switchId.substr(0, switchId.size() - suffix.size()));
  auto toggle = std::dynamic_pointer_cast<UISwitch>(row.cell->accessoryView());
  if (!toggle) notOnScreen("switch " + switchId);
  toggle->userTap();
  settle();
}

void UserDriver::flipSwitchByText(const std::string& rowText) { flipSwitch(rowIdForText(rowText) + "/switch"); }

void UserDriver::scrollTo(double contentOffset) {
  auto table = pageParts("scroll").table;
  if (!table) notOnScreen("a table to scroll");
  table->setContentOffset({0, std::clamp(contentOffset, 0.0, table->maximumContentOffset())});
  settle();
}

void UserDriver::setViewportHeight(double height) {
  auto table = pageParts("viewport").table;
  if (!table) notOnScreen("a table");
  if (height < 0) throw std::invalid_argument("a viewport height cannot be negative");
  viewportHeight_ = height;
  settle();
}

std::shared_ptr<UITextField> UserDriver::fieldById(const std::string& fieldId) const {
  auto slash = fieldId.find("/field");
  if (slash == std::string::npos) notOnScreen("text field " + fieldId);
  auto fields = ScreenBuilder::textFieldsIn(*visibleRow(fieldId.substr(0, slash)).cell->contentView());
  std::string_view number = std::string_view(fieldId).substr(slash + std::string_view("/field").size());
  std::size_t index = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
  if (error != std::errc() || end != number.data() + number.size() || index >= fields.size())
    notOnScreen("text field " + fieldId);
  return fields[index];
}

void UserDriver::tapTextField(const std::string& fieldId) {
  auto field = fieldById(fieldId);
  if (!field->isUserInteractionEnabled() || !field->isEnabled())
    throw std::invalid_argument("text field " + fieldId + " does not take taps");
  field->becomeFirstResponder();
  settle();
}

// The keyboard types into the first responder.
std::shared_ptr<UIKeyInput> UserDriver::keyboardTarget(const std::string& action) const {
  auto target = std::dynamic_pointer_cast<UIKeyInput>(window_->firstResponder());
  if (!target) throw std::invalid_argument(action + ": no text field is being edited");
  return target;
}

// The keyboard goes away when the field stops editing (its delegate may
// end editing on a character); what is left of the text is not typed.
void UserDriver::typeText(const std::string& text) {
  typeCharacters(*keyboardTarget("typeText"), text);
  settle();
}

void UserDriver::typeCharacters(UIKeyInput& target, const std::string& text) {
  auto responder = window_->firstResponder();
  for (const auto& character : characters(text)) {
    if (window_->firstResponder() != responder) break;
    target.insertText(character);
  }
}

void UserDriver::replaceText(UIKeyInput& target, const std::string& current, const std::string& wanted) {
  const std::size_t keep = commonStart(current, wanted);
  for (std::size_t count = characterCount(current, keep); count > 0; --count)
    if (!target.deleteBackward()) return;
  typeCharacters(target, wanted.substr(keep));
}

void UserDriver::editText(const std::string& fieldId, const std::string& text) {
  auto field = fieldById(fieldId);
  if (!field->isFirstResponder()) tapTextField(fieldId);
  if (!field->isFirstResponder()) throw std::invalid_argument("text field " + fieldId + " did not begin editing");
  replaceText(*field, field->text(), text);
  settle();
}

void UserDriver::deleteBackward() {
  keyboardTarget("deleteBackward")->deleteBackward();
  settle();
}

// The return key: a text field asks its delegate; a search bar searches.
void UserDriver::pressReturn() {
  auto target = keyboardTarget("pressReturn");
  if (auto field = std::dynamic_pointer_cast<UITextField>(target))
    field->userPressReturn();
  else if (auto bar = std::dynamic_pointer_cast<UISearchBar>(target))
    bar->userTapSearchButton();
  settle();
}

void UserDriver::endEditing() {
  window_->endEditing(false);
  settle();
}

std::shared_ptr<UISearchBar> UserDriver::searchBar() const {
  auto parts = pageParts("search");
  auto bar = std::dynamic_pointer_cast<UISearchBar>(parts.page->navigationItem()->titleView());
  if (!bar) notOnScreen("a search bar");
  return bar;
}

void UserDriver::tapSearchBar() {
  searchBar()->becomeFirstResponder();
  settle();
}

void UserDriver::setSearchText(const std::string& text) {
  auto bar = searchBar();
  if (!bar->isFirstResponder()) bar->becomeFirstResponder();
  replaceText(*bar, bar->text(), text);
  settle();
}

void UserDriver::tapSearchButton() {
  searchBar()->userTapSearchButton();
  settle();
}

void UserDriver::tapSearchCancelButton() {
  auto bar = searchBar();
  if (!bar->showsCancelButton()) notOnScreen("the search bar's cancel button");
  bar->userTapCancelButton();
  settle();
}

void UserDriver::tapRightBarButton() {
  auto item = pageParts("tapRightBarButton").page->navigationItem()->rightBarButtonItem();
  if (!item) notOnScreen("a right bar button");
  item->tap();
  settle();
}

void UserDriver::goBack() {
  auto parts = pageParts("goBack");
  if (!parts.navigation || parts.navigation->viewControllers().size() < 2) notOnScreen("a back button");
  parts.navigation->popViewControllerAnimated(true);
  settle();
}

void UserDriver::tapAlertAction(const std::string& title, const std::vector<std::string>& fieldTexts) {
  auto alert = std::dynamic_pointer_cast<UIAlertController>(ScreenBuilder::find(*window_).presented);
  if (!alert) notOnScreen("an alert");
  if (fieldTexts.size() > alert->textFields().size())
    throw std::invalid_argument("the alert has " + std::to_string(alert->textFields().size()) +
                                " text fields, not " + std::to_string(fieldTexts.size()));
  const auto& actions = alert->actions();
  auto action = std::find_if(actions.begin(), actions.end(),
                             [&title](const auto& candidate) { return candidate->title() == title; });
  if (action == actions.end()) notOnScreen("alert action \"" + title + "\"");
  for (std::size_t index = 0; index < fieldTexts.size(); ++index) alert->textFields()[index]->setText(fieldTexts[index]);
  alert->userTapAction(*action);
  settle();
}

// The mail sheet is MessageUI's: it answers these action ids itself.
void UserDriver::performPresentedAction(const std::string& actionId, const std::string& what) {
  auto presented = ScreenBuilder::find(*window_).presented;
  if (!presented || !presented->performUserAction(actionId)) notOnScreen(what);
  settle();
}

void UserDriver::sendMail() { performPresentedAction("mail/send", "a mail sheet"); }


void UserDriver::cancelMail() { performPresentedAction("mail/cancel", "a mail sheet"); }

void UserDriver::editPresentedText(const std::string& fieldId, const std::string& text) {
  auto presented = ScreenBuilder::find(*window_).presented;
  if (!presented || !presented->editUserText(fieldId, text)) notOnScreen("a field \"" + fieldId + "\"");
  settle();
}
