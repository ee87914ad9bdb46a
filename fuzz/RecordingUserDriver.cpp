// The user driver as the action fuzzer sees it: every action only counts
// itself, so that the decoder's choice is all that runs.
#include "RecordingUserDriver.h"

#include "uikit/UserDriver.h"

namespace {
int calls = 0;
void record() { ++calls; }
}  // namespace

int takeRecordedDriverCalls() {
  const int count = calls;
  calls = 0;
  return count;
}

UserDriver::UserDriver(std::shared_ptr<UIWindow> window) : window_(std::move(window)) {}
void UserDriver::tapRow(const std::string&) { record(); }
void UserDriver::tapRowByText(const std::string&) { record(); }
void UserDriver::flipSwitch(const std::string&) { record(); }
void UserDriver::flipSwitchByText(const std::string&) { record(); }
void UserDriver::scrollTo(double) { record(); }
void UserDriver::setViewportHeight(double) { record(); }
void UserDriver::tapTextField(const std::string&) { record(); }
void UserDriver::editText(const std::string&, const std::string&) { record(); }
void UserDriver::typeText(const std::string&) { record(); }
void UserDriver::deleteBackward() { record(); }
void UserDriver::pressReturn() { record(); }
void UserDriver::endEditing() { record(); }
void UserDriver::tapSearchBar() { record(); }
void UserDriver::setSearchText(const std::string&) { record(); }
void UserDriver::tapSearchButton() { record(); }
void UserDriver::tapSearchCancelButton() { record(); }
void UserDriver::tapRightBarButton() { record(); }
void UserDriver::goBack() { record(); }
void UserDriver::tapAlertAction(const std::string&, const std::vector<std::string>&) { record(); }
void UserDriver::sendMail() { record(); }
void UserDriver::cancelMail() { record(); }
// Part of sending mail, which records itself.
void UserDriver::editPresentedText(const std::string&, const std::string&) {}
