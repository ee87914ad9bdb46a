#pragma once
// The sound chooser: one row per sound name, a checkmark on the current one.
// For now it lists its items and offers the ringtone import; selection and
// preview arrive with the chooser itself. Lives on the main thread like every page.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uikit/UITableViewController.h"

// The change block: called with the chosen row's value.
using QCItemChangedBlock = std::function<void(const std::string& value)>;

class QCSelectListTableViewController : public UITableViewController {
 public:
  // initWithStyle:title:items:values:currentValue:popViewOnSelect:changeBlock:
  // Lists that are none (a missing sound library) show no rows.
  QCSelectListTableViewController(UITableViewStyle style, std::optional<std::string> title,
                                  std::optional<std::vector<std::string>> items,
                                  std::optional<std::vector<std::string>> values,
                                  std::optional<std::string> currentValue, bool popViewOnSelect,
                                  QCItemChangedBlock changeBlock);

  const std::vector<std::string>& listItems() const { return listItems_; }
  const std::vector<std::string>& listValues() const { return listValues_; }
  const std::optional<std::string>& currentValue() const { return currentValue_; }
  bool popView() const { return popView_; }
  const QCItemChangedBlock& itemChangedBlock() const { return itemChangedBlock_; }

  // Puts the Add button, whose action is addSound, on the navigation bar.
  void viewDidLoad() override;
  // The ringtone import.
  void addSound();

  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView,
                                      long section) override;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
      const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;

 private:
  QCItemChangedBlock itemChangedBlock_;
  std::vector<std::string> listValues_;
  std::vector<std::string> listItems_;
  std::optional<std::string> currentValue_;
  bool popView_ = false;
};
