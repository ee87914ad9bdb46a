#include "applist/ApplistTableViewController.h"

#include "applist/AppIcon.h"
#include "applist/ApplistVariables.h"
#include "detail/ChimewellDetailView.h"
#include "foundation/NSClassRegistry.h"
#include "foundation/NSFileManager.h"
#include "foundation/NSUserDefaults.h"
#include "store/SettingsPaths.h"
#include "uikit/NSLayoutConstraint.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UIView.h"

namespace {

const bool registered = NSRegisterClass<ApplistTableViewController>("ApplistTableViewController");

constexpr const char* kCellIdentifier = "cell";

// The number of the latest fetch in the process: an earlier fetch's list,
// arriving late, is no longer wanted (by that page or by a newer one).
std::uint64_t latestFetch = 0;

std::optional<PlistValue> asValue(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return PlistValue(*text);
}

}  // namespace

void ApplistTableViewController::viewWillAppear(bool animated) {
  fetchData();
  UIViewController::viewWillAppear(animated);
}

void ApplistTableViewController::fetchData() {
  setArr({});
  setArr1({});
  setImageArray({});
  indexHoldsList_ = false;
  const std::string cachePath = kApplicationListCachePath;
  dict = NSFileManager::defaultManager()->fileExistsAtPath(cachePath)
             ? NSMutableDictionary::initWithContentsOfFile(cachePath)
             : NSMutableDictionary::dictionary();
  // The table must not keep rows of the lists just emptied.
  listChanged();

  const auto fetch = ++latestFetch;
  auto self = selfAs<ApplistTableViewController>();
  auto appList = std::make_shared<SparkAppList>();
  appList->getAppList([self, fetch](const std::vector<SparkAppRecord>& apps) {
    if (fetch != latestFetch) return;
    self->appendApps(apps);
  });
}

void ApplistTableViewController::appendApps(const std::vector<SparkAppRecord>& apps) {
  bool dictChanged = false;
  for (const auto& app : apps) {
    if (dict && dict->stringForKey(app.displayName()) != app.bundleIdentifier()) {
      dict->setObjectForKey(app.bundleIdentifier(), app.displayName());
      dictChanged = true;
    }
    imageArray_.push_back(app.icon());
    arr_.push_back(app.bundleIdentifier());
    arr1_.push_back(app.displayName());
  }
  // Written once, and only when this list added or changed an entry: nothing
  // reads the file while the list is taken in.
  if (dictChanged) dict->writeToFileAtomically(kApplicationListCachePath, true);
  if (arr1_ != indexedNames_) {
    nameIndex_ = CaseInsensitiveIndex(arr1_);
    indexedNames_ = arr1_;
  }
  indexHoldsList_ = true;
  listChanged();
}

void ApplistTableViewController::viewDidLoad() {
  UIViewController::viewDidLoad();
  setTitle(NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentPresetKey));

  setSearchBar(std::make_shared<UISearchBar>(CGRectMake(0, 0, kSearchBarWidth, kSearchBarHeight)));
  navigationItem()->setTitleView(searchBar_);
  searchBar_->setDelegate(selfAs<UISearchBarDelegate>());

  setTableView(std::make_shared<UITableView>(CGRectZero, UITableViewStyleGrouped));
  tableView_->setDelegate(selfAs<UITableViewDelegate>());
  tableView_->setDataSource(selfAs<UITableViewDataSource>());
  tableView_->setTranslatesAutoresizingMaskIntoConstraints(false);
  view()->addSubview(tableView_);
  NSLayoutConstraint::activateConstraints({
      tableView_->topAnchor().constraintEqualToAnchor(view()->topAnchor()),
      tableView_->bottomAnchor().constraintEqualToAnchor(view()->bottomAnchor()),
      tableView_->leadingAnchor().constraintEqualToAnchor(view()->leadingAnchor()),
      tableView_->trailingAnchor().constraintEqualToAnchor(view()->trailingAnchor()),
  });
  isFiltering = false;
}

void ApplistTableViewController::searchBarTextDidChange(const std::shared_ptr<UISearchBar>&,
                                                        const std::string& searchText) {
  if (searchText.empty()) {
    isFiltering = false;
  } else {
    isFiltering = true;
    filterNames(searchText);
  }
  tableView_->reloadData();
}

void ApplistTableViewController::filterNames(const std::string& searchText) {
  filteredArray = indexHoldsList_ ? nameIndex_.positionsContaining(searchText) : std::vector<std::size_t>{};
}

// The rows follow the lists: a search shows its matches in the list now held.
void ApplistTableViewController::listChanged() {
  if (isFiltering && searchBar_) filterNames(searchBar_->text());
  if (tableView_) tableView_->reloadData();
}

void ApplistTableViewController::dismissKeyboard() {
  searchBar_->resignFirstResponder();
  searchBar_->setShowsCancelButtonAnimated(false, true);
}

void ApplistTableViewController::searchBarSearchButtonClicked(const std::shared_ptr<UISearchBar>&) {
  dismissKeyboard();
}

void ApplistTableViewController::searchBarTextDidBeginEditing(const std::shared_ptr<UISearchBar>& searchBar) {
  searchBar->setShowsCancelButtonAnimated(true, true);
}

void ApplistTableViewController::searchBarCancelButtonClicked(const std::shared_ptr<UISearchBar>&) {
  dismissKeyboard();
}

long ApplistTableViewController::numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) { return 1; }

long ApplistTableViewController::tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) {
  return static_cast<long>(isFiltering ? filteredArray.size() : arr_.size());
}

std::shared_ptr<UITableViewCell> ApplistTableViewController::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath) {
  auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, kCellIdentifier);
  cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (isFiltering) {
    if (row >= filteredArray.size() || filteredArray[row] >= arr_.size()) return cell;
    cell->textLabel()->setText(arr1_[filteredArray[row]]);
    cell->detailTextLabel()->setText(arr_[filteredArray[row]]);
  } else {
    if (row >= arr_.size()) return cell;
    cell->textLabel()->setText(arr1_[row]);
    cell->detailTextLabel()->setText(arr_[row]);
    cell->imageView()->setImage(shownIcon(row));
  }
  return cell;
}

// The row's icon once read; meanwhile the generic one, while a reader reads
// it and the table reloads when it is in.
std::shared_ptr<UIImage> ApplistTableViewController::shownIcon(std::size_t row) {
  const auto& icon = imageArray_[row];
  if (icon->isLoaded()) return icon;
  if (iconsBeingRead_.insert(icon).second) {
    std::weak_ptr<ApplistTableViewController> weakSelf = selfAs<ApplistTableViewController>();
    loadAppIconOffMainThread(icon, [weakSelf, icon] {
      auto self = weakSelf.lock();
      if (!self) return;
      self->iconsBeingRead_.erase(icon);
      if (self->tableView_) self->tableView_->reloadData();
    });
  }
  return genericAppIcon();
}

CGFloat ApplistTableViewController::tableViewHeightForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                     const NSIndexPath&) {
  return UITableViewAutomaticDimension;
}

void ApplistTableViewController::tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) {
  // The hand-off carries what the tapped row shows.
  auto cell = tableView->cellForRowAtIndexPath(indexPath);
  if (!cell) return;
  auto defaults = NSUserDefaults::standardUserDefaults();
  defaults->setObjectForKey(asValue(cell->textLabel()->text()), kCurrentAppKey);
  defaults->synchronize();
  defaults->setObjectForKey(asValue(cell->detailTextLabel()->text()), kCurrentAppIdentifierKey);
  defaults->synchronize();
  tableView->deselectRowAtIndexPathAnimated(indexPath, true);
  if (auto navigation = navigationController())
    navigation->pushViewControllerAnimated(std::make_shared<ChimewellDetailView>(), true);
}
