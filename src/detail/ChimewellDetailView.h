#pragma once
// The per-app sound page: the app the picker handed off (currentApp,
// currentAppIdentifier in the Settings app's defaults) gets a custom sound
// switch, the sound row that opens the sound chooser, a custom vibration
// switch and the vibration count field, each in a one-row section with a
// footer. Every change goes straight to the app's per-app settings file.
//
// The page keeps no state of its own: its working copy and controls are the
// process-wide variables of SoundPageVariables.h, and it reads the hand-off
// keys afresh at every step. A control whose change does not reach the file
// goes back to what the file holds (the store logs why). Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSRange.h"
#include "uikit/UISwitch.h"
#include "uikit/UITableViewController.h"
#include "uikit/UITextField.h"

class ChimewellDetailView : public UITableViewController, public UITextFieldDelegate {
 public:
  ChimewellDetailView() : UITableViewController(UITableViewStyleGrouped) {}  // init

  // Ensures the settings directory, titles the page and loads plist.
  void viewDidLoad() override;

  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override;
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
  // Builds the row of sections 0 to 3; none for any other section.
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override;

  // A line feed in the count field ends its editing (and so stores it) and
  // is not inserted; every other change is taken as typed.
  bool textFieldShouldChangeCharactersInRangeReplacementString(const std::shared_ptr<UITextField>& textField,
                                                               NSRange range, const std::string& string) override;
  // Stores the count field's whole text as vibrationTimes.
  bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>& textField) override;

  void updateSwitchAtIndexPath(const std::shared_ptr<UISwitch>& sender);   // stores enableToggle
  void updateSwitchAtIndexPath2(const std::shared_ptr<UISwitch>& sender);  // stores vibrationToggle

  std::optional<std::string> tableViewTitleForFooterInSection(const std::shared_ptr<UITableView>& tableView,
                                                              long section) override;
  // Every row deselects; the sound row opens the sound chooser.
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override;

 private:
  std::shared_ptr<UITableViewCell> vibrationCountRow(const std::shared_ptr<UITableView>& tableView,
                                                     const NSIndexPath& indexPath);
};
