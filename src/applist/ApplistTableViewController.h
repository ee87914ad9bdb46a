#pragma once
// The application picker: one row per installed app (display name, bundle
// identifier, icon) under a search bar that stands in the navigation bar.
// A tap hands the app off through the Settings app's user defaults
// (currentApp, then currentAppIdentifier, each synchronized) and pushes the
// per-app page.
//
// Every showing fetches the list afresh (fetchData): the lists empty at
// once and fill when SparkAppList delivers, later, on the main thread. Only
// the latest fetch of the process counts. The delivered apps are added to
// `dict`, and the application list cache file is rewritten once, when that
// changed `dict`. A search matches display names as NSCaseInsensitiveSearch
// does and is recomputed whenever the list changes under it. A row shows the
// generic app icon until its own is read off the main thread.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "applist/SparkAppList.h"
#include "foundation/CaseInsensitiveSearch.h"
#include "foundation/PropertyList.h"
#include "uikit/UISearchBar.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewProtocols.h"
#include "uikit/UIViewController.h"

class UIImage;

class ApplistTableViewController : public UIViewController,
                                   public UITableViewDataSource,
                                   public UITableViewDelegate,
                                   public UISearchBarDelegate {
 public:
  // The search bar's frame as the page makes it.
  static constexpr CGFloat kSearchBarWidth = 320;
  static constexpr CGFloat kSearchBarHeight = 44;

  const std::shared_ptr<UISearchBar>& searchBar() const { return searchBar_; }
  void setSearchBar(std::shared_ptr<UISearchBar> searchBar) { searchBar_ = std::move(searchBar); }
  // Bundle identifiers, display names and icons, parallel.
  const std::vector<std::string>& arr() const { return arr_; }
  void setArr(std::vector<std::string> arr) { arr_ = std::move(arr); }
  const std::vector<std::string>& arr1() const { return arr1_; }
  void setArr1(std::vector<std::string> arr1) { arr1_ = std::move(arr1); }
  const std::vector<std::shared_ptr<UIImage>>& imageArray() const { return imageArray_; }
  void setImageArray(std::vector<std::shared_ptr<UIImage>> images) { imageArray_ = std::move(images); }
  const std::shared_ptr<UITableView>& tableView() const { return tableView_; }
  void setTableView(std::shared_ptr<UITableView> tableView) { tableView_ = std::move(tableView); }

  void viewWillAppear(bool animated) override;
  void fetchData();
  void viewDidLoad() override;

  void searchBarTextDidChange(const std::shared_ptr<UISearchBar>& searchBar, const std::string& searchText) override;
  void searchBarSearchButtonClicked(const std::shared_ptr<UISearchBar>& searchBar) override;
  void searchBarTextDidBeginEditing(const std::shared_ptr<UISearchBar>& searchBar) override;
  void searchBarCancelButtonClicked(const std::shared_ptr<UISearchBar>& searchBar) override;

  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override;
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override;
  CGFloat tableViewHeightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                           const NSIndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override;

 private:
  void appendApps(const std::vector<SparkAppRecord>& apps);
  void filterNames(const std::string& searchText);
  void listChanged();
  void dismissKeyboard();
  std::shared_ptr<UIImage> shownIcon(std::size_t row);

  std::shared_ptr<UISearchBar> searchBar_;
  std::vector<std::string> arr_;
  std::vector<std::string> arr1_;
  std::vector<std::shared_ptr<UIImage>> imageArray_;
  std::set<std::shared_ptr<UIImage>> iconsBeingRead_;
  std::shared_ptr<UITableView> tableView_;

  // `arr1` folded once per list, so that a keystroke only searches; made
  // anew only when a list brings other names than the index was made of.
  CaseInsensitiveIndex nameIndex_;
  std::vector<std::string> indexedNames_;
  bool indexHoldsList_ = false;  // false while a fetch has emptied the lists
};
