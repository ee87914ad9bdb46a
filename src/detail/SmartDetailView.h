#pragma once
// The alternate sound page: the handed-off app's sound switch (stored under
// its own key, customToggle), the sound row and the vibration switch, and a
// closing footer over an empty fourth section. No page pushes it; a host
// creates it by its class name. It shares plist and switchview with the
// per-app page and keeps no state of its own. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "uikit/UISwitch.h"
#include "uikit/UITableViewController.h"
#include "uikit/UITextField.h"

class SmartDetailView : public UITableViewController, public UITextFieldDelegate {
 public:
  SmartDetailView() : UITableViewController(UITableViewStyleGrouped) {}  // init

  // Ensures the settings directory (its switches would otherwise fail on a
  // device where the per-app page never opened), titles the page, loads plist.
  void viewDidLoad() override;

  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override;
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
  // Builds the rows of sections 0 to 2; none for any other section.
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override;

  void updateSwitchAtIndexPath1(const std::shared_ptr<UISwitch>& sender);  // stores customToggle
  void updateSwitchAtIndexPath2(const std::shared_ptr<UISwitch>& sender);  // stores vibrationToggle

  std::optional<std::string> tableViewTitleForFooterInSection(const std::shared_ptr<UITableView>& tableView,
                                                              long section) override;
  // Every row deselects; the sound row opens the sound chooser.
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override;
};
