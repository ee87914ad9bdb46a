#pragma once
// The Settings stand-in's own first page, titled "Settings": one row per
// installed pane, with its name and icon. A tap opens the pane: its bundle
// is loaded, the principal class created by name and pushed. A pane that
// cannot be opened is reported through `reportError` and nothing is pushed.
#include <functional>
#include <memory>
#include <string>

#include "uikit/UITableViewController.h"

class PaneCatalog;

class SettingsListController : public UITableViewController {
 public:
  using ErrorReporter = std::function<void(const std::string& message)>;

  SettingsListController(std::shared_ptr<PaneCatalog> catalog, ErrorReporter reportError);

  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override;

 private:
  std::shared_ptr<PaneCatalog> catalog_;
  ErrorReporter reportError_;
};
