#include "applist/ApplistTableViewController.h"

#include "foundation/NSClassRegistry.h"
#include "uikit/UITableViewCell.h"

namespace {

const bool registered = NSRegisterClass<ApplistTableViewController>("ApplistTableViewController");

}  // namespace

void ApplistTableViewController::loadView() {
  UIViewController::loadView();
  tableView_ = std::make_shared<UITableView>(view()->bounds(), UITableViewStyleGrouped);
  tableView_->setDelegate(selfAs<UITableViewDelegate>());
  tableView_->setDataSource(selfAs<UITableViewDataSource>());
  view()->addSubview(tableView_);
}

long ApplistTableViewController::tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&,
                                                                long) {
  return 0;
}

std::shared_ptr<UITableViewCell> ApplistTableViewController::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>&, const NSIndexPath&) {
  return std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, "cell");
}
