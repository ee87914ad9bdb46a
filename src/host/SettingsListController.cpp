#include "host/SettingsListController.h"

#include <exception>

#include "foundation/NSBundle.h"
#include "host/PaneCatalog.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UITableViewCell.h"

namespace {
const std::string kCellIdentifier = "PaneCell";
}

SettingsListController::SettingsListController(std::shared_ptr<PaneCatalog> catalog, ErrorReporter reportError)
    : UITableViewController(UITableViewStyleGrouped),
      catalog_(std::move(catalog)),
      reportError_(std::move(reportError)) {
  setTitle("Settings");
}

long SettingsListController::tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView,
                                                            long section) {
  return section == 0 ? static_cast<long>(catalog_->bundles().size()) : 0;
}

std::shared_ptr<UITableViewCell> SettingsListController::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {
  auto cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) {
    cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, kCellIdentifier);
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  }
  const auto& bundle = catalog_->bundles().at(static_cast<std::size_t>(indexPath.row));
  cell->textLabel()->setText(PaneCatalog::displayName(*bundle));
  cell->imageView()->setImage(PaneCatalog::icon(bundle));
  return cell;
}

void SettingsListController::tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                              const NSIndexPath& indexPath) {
  tableView->deselectRowAtIndexPathAnimated(indexPath, true);
  const auto& bundle = catalog_->bundles().at(static_cast<std::size_t>(indexPath.row));
  std::shared_ptr<UIViewController> pane;
  try {
    pane = catalog_->makePrincipalPage(bundle);
  } catch (const std::exception& failure) {
    reportError_(failure.what());
    return;
  }
  navigationController()->pushViewControllerAnimated(pane, true);
}
