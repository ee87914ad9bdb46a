#pragma once
// The application picker page. For now an empty grouped list, so that the
// root page has a page to push; the installed-application list replaces it.
#include <memory>

#include "uikit/UITableView.h"
#include "uikit/UITableViewProtocols.h"
#include "uikit/UIViewController.h"

class ApplistTableViewController : public UIViewController,
                                   public UITableViewDelegate,
                                   public UITableViewDataSource {
 public:
  ApplistTableViewController() = default;

  const std::shared_ptr<UITableView>& tableView() const { return tableView_; }

  void loadView() override;
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView,
                                      long section) override;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
      const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;

 private:
  std::shared_ptr<UITableView> tableView_;
};
