#pragma once
// A page with one of each control the browser tests need beyond the pane's
// own pages: a text field that takes digits only, rows narrowed by a search
// bar with checkmarks, an Add button with an alert that asks for a name, a
// change that arrives later, a slow tap, and a way into a long table.
#include <memory>
#include <string>
#include <vector>

#include "uikit/UISearchBar.h"
#include "uikit/UITableViewController.h"
#include "uikit/UITextField.h"

// A plain table of 1,000 subtitle rows, reached from the gallery's "Many" row.
class ManyRowsPage : public UITableViewController {
 public:
  static constexpr long kRows = 1000;
  ManyRowsPage();
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override {
    return kRows;
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override;
};

class GalleryPage : public UITableViewController, public UITextFieldDelegate, public UISearchBarDelegate {
 public:
  GalleryPage();

  void viewDidLoad() override;
  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override { return 3; }
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override;

  bool textFieldShouldChangeCharactersInRangeReplacementString(const std::shared_ptr<UITextField>& textField,
                                                               NSRange range, const std::string& string) override;
  void searchBarTextDidChange(const std::shared_ptr<UISearchBar>& searchBar, const std::string& searchText) override;
  void searchBarCancelButtonClicked(const std::shared_ptr<UISearchBar>& searchBar) override;

  void addItem();

 private:
  std::vector<std::string> shownItems() const;

  std::vector<std::string> items_{"Apple", "Banana", "Cherry"};
  std::string filter_;
  std::string checked_;
  std::string laterText_ = "Waiting";
  std::shared_ptr<UITextField> countField_;
};
