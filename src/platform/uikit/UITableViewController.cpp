#include "uikit/UITableViewController.h"

#include "uikit/UIScreen.h"

std::shared_ptr<UITableView> UITableViewController::tableView() {
  return std::dynamic_pointer_cast<UITableView>(view());
}

void UITableViewController::loadView() {
  auto table = std::make_shared<UITableView>(UIScreen::mainScreen()->bounds(), style_);
  auto self = selfAs<UITableViewController>();
  table->setDelegate(self);
  table->setDataSource(self);
  setView(table);
}
