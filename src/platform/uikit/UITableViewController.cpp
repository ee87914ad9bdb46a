#include "uikit/UITableViewController.h"

#include "uikit/UIWindow.h"

std::shared_ptr<UITableView> UITableViewController::tableView() {
  return std::dynamic_pointer_cast<UITableView>(view());
}

void UITableViewController::loadView() {
  auto table = std::make_shared<UITableView>(CGRectMake(0, 0, UIWindow::kDefaultWidth, UIWindow::kDefaultHeight),
                                             style_);
  auto self = selfAs<UITableViewController>();
  table->setDelegate(self);
  table->setDataSource(self);
  setView(table);
}
