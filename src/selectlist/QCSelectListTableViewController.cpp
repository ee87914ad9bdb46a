#include "selectlist/QCSelectListTableViewController.h"

#include "uikit/UILabel.h"
#include "uikit/UITableView.h"
#include "uikit/UILabel.h"
#include "uikit/UITableViewCell.h"

namespace {

const char* const kCellIdentifier = "QCListCellIdentifier";

}  // namespace

QCSelectListTableViewController::QCSelectListTableViewController(
    UITableViewStyle style, std::optional<std::string> title,
    std::optional<std::vector<std::string>> items, std::optional<std::vector<std::string>> values,
    std::optional<std::string> currentValue, bool popViewOnSelect, QCItemChangedBlock changeBlock)
    : UITableViewController(style),
      itemChangedBlock_(std::move(changeBlock)),
      listValues_(values.value_or(std::vector<std::string>{})),
      listItems_(items.value_or(std::vector<std::string>{})),
      currentValue_(std::move(currentValue)),
      popView_(popViewOnSelect) {
  setTitle(std::move(title));
}

long QCSelectListTableViewController::tableViewNumberOfRowsInSection(
    const std::shared_ptr<UITableView>&, long) {
  return static_cast<long>(listItems_.size());
}

std::shared_ptr<UITableViewCell> QCSelectListTableViewController::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {
  auto cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, kCellIdentifier);
  cell->textLabel()->setText(listItems_.at(static_cast<std::size_t>(indexPath.row)));
  return cell;
}
