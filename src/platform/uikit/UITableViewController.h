#pragma once
// A page whose view is its own table, of the style it was made with; the
// controller is the table's delegate and data source.
#include <memory>

#include "uikit/UITableView.h"
#include "uikit/UITableViewProtocols.h"
#include "uikit/UIViewController.h"

class UITableViewController : public UIViewController, public UITableViewDelegate, public UITableViewDataSource {
 public:
  explicit UITableViewController(UITableViewStyle style = UITableViewStylePlain) : style_(style) {}  // initWithStyle:

  // The table (the controller's view), loaded on first call.
  std::shared_ptr<UITableView> tableView();
  void setTableView(const std::shared_ptr<UITableView>& tableView) { setView(tableView); }

  void loadView() override;

  // No rows until a page says otherwise.
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override {
    return 0;
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    return nullptr;
  }

 private:
  UITableViewStyle style_;
};
