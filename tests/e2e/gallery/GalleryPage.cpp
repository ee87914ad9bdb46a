// A page with one of each control the browser tests need beyond the pane's
// own pages: a text field that takes digits only, rows narrowed by a search
// bar with checkmarks, an Add button with an alert that asks for a name, a
// change that arrives later, a slow tap, and a way into a long table.
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/dispatch.h"
#include "foundation/NSClassRegistry.h"
#include "uikit/UIAlertAction.h"
#include "uikit/UIAlertController.h"
#include "uikit/UIBarButtonItem.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UINavigationItem.h"
#include "uikit/UISearchBar.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITableViewController.h"
#include "uikit/UITextField.h"

namespace {
using Table = std::shared_ptr<UITableView>;

std::shared_ptr<UITableViewCell> cellWithText(UITableViewCellStyle style, const std::string& text) {
  auto cell = std::make_shared<UITableViewCell>(style, std::nullopt);
  cell->textLabel()->setText(text);
  return cell;
}
}  // namespace

// A plain table of 1,000 subtitle rows, reached from the gallery's "Many" row.
class ManyRowsPage : public UITableViewController {
 public:
  static constexpr long kRows = 1000;
  ManyRowsPage() : UITableViewController(UITableViewStylePlain) { setTitle("Many"); }
  long tableViewNumberOfRowsInSection(const Table&, long) override { return kRows; }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const Table& tableView,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = tableView->dequeueReusableCellWithIdentifier("Row");
    if (!cell) cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "Row");
    cell->textLabel()->setText("Row " + std::to_string(indexPath.row));
    cell->detailTextLabel()->setText("of " + std::to_string(kRows));
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    return cell;
  }
};

class GalleryPage : public UITableViewController, public UITextFieldDelegate, public UISearchBarDelegate {
 public:
  GalleryPage() : UITableViewController(UITableViewStyleGrouped) { setTitle("Gallery"); }

  void viewDidLoad() override {
    auto search = std::make_shared<UISearchBar>();
    search->setPlaceholder("Search");
    search->setDelegate(selfAs<GalleryPage>());
    navigationItem()->setTitleView(search);
    navigationItem()->setRightBarButtonItem(
        std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemAdd, selfAs<GalleryPage>(), &GalleryPage::addItem));
    countField_ = std::make_shared<UITextField>(CGRectMake(200, 7, 120, 30));
    countField_->setPlaceholder("Times");
    countField_->setTextAlignment(NSTextAlignmentRight);
    countField_->setDelegate(selfAs<GalleryPage>());
  }

  // Sections: the count field; the fruit the search narrows; Later, Slow and Many.
  long numberOfSectionsInTableView(const Table&) override { return 3; }
  long tableViewNumberOfRowsInSection(const Table&, long section) override {
    if (section == 1) return static_cast<long>(shownItems().size());
    return section == 2 ? 3 : 1;
  }

  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const Table&, const NSIndexPath& indexPath) override {
    if (indexPath.section == 0) {
      auto cell = cellWithText(UITableViewCellStyleDefault, "Count");
      cell->contentView()->addSubview(countField_);
      cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
      return cell;
    }
    if (indexPath.section == 1) {
      const std::string item = shownItems().at(static_cast<std::size_t>(indexPath.row));
      auto cell = cellWithText(UITableViewCellStyleValue1, item);
      cell->detailTextLabel()->setText("Fruit");
      cell->setAccessoryType(item == checked_ ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
      return cell;
    }
    if (indexPath.row == 1) return cellWithText(UITableViewCellStyleDefault, "Slow");
    if (indexPath.row == 2) {
      auto cell = cellWithText(UITableViewCellStyleDefault, "Many");
      cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
      return cell;
    }
    auto cell = cellWithText(UITableViewCellStyleValue1, "Later");
    cell->detailTextLabel()->setText(laterText_);
    return cell;
  }

  void tableViewDidSelectRowAtIndexPath(const Table& tableView, const NSIndexPath& indexPath) override {
    tableView->deselectRowAtIndexPathAnimated(indexPath, true);
    if (indexPath.section == 1) {
      checked_ = shownItems().at(static_cast<std::size_t>(indexPath.row));
    } else if (indexPath.section == 2 && indexPath.row == 0) {
      auto page = std::weak_ptr<GalleryPage>(selfAs<GalleryPage>());
      dispatch_after(dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_SEC / 2), dispatch_get_main_queue(), [page] {
        if (auto self = page.lock()) {
          self->laterText_ = "Arrived";
          self->tableView()->reloadData();
        }
      });
    } else if (indexPath.section == 2 && indexPath.row == 2) {
      navigationController()->pushViewControllerAnimated(std::make_shared<ManyRowsPage>(), true);
      return;
    } else if (indexPath.section == 2) {
      // Holds the main thread, as a download does.
      std::this_thread::sleep_for(std::chrono::milliseconds(800));
    }
    tableView->reloadData();
  }

  bool textFieldShouldChangeCharactersInRangeReplacementString(const std::shared_ptr<UITextField>&, NSRange,
                                                               const std::string& string) override {
    return std::all_of(string.begin(), string.end(), [](char c) { return c >= '0' && c <= '9'; });
  }

  void searchBarTextDidChange(const std::shared_ptr<UISearchBar>& searchBar, const std::string& searchText) override {
    filter_ = searchText;
    searchBar->setShowsCancelButton(!searchText.empty());
    tableView()->reloadData();
  }

  void searchBarCancelButtonClicked(const std::shared_ptr<UISearchBar>& searchBar) override {
    searchBar->setText("");
    searchBarTextDidChange(searchBar, "");
    searchBar->resignFirstResponder();
  }

  void addItem() {
    auto alert = UIAlertController::alertControllerWithTitleMessagePreferredStyle("New Item", "Name the new fruit.",
                                                                               UIAlertControllerStyleAlert);
    alert->addTextFieldWithConfigurationHandler(
        [](const std::shared_ptr<UITextField>& field) { field->setPlaceholder("Name"); });
    auto weakAlert = std::weak_ptr<UIAlertController>(alert);
    auto page = std::weak_ptr<GalleryPage>(selfAs<GalleryPage>());
    alert->addAction(UIAlertAction::actionWithTitleStyleHandler("Cancel", UIAlertActionStyleCancel, nullptr));
    alert->addAction(UIAlertAction::actionWithTitleStyleHandler(
        "Add", UIAlertActionStyleDefault, [weakAlert, page](const std::shared_ptr<UIAlertAction>&) {
          auto self = page.lock();
          auto shown = weakAlert.lock();
          if (!self || !shown) return;
          self->items_.push_back(shown->textFields().at(0)->text());
          self->tableView()->reloadData();
        }));
    presentViewControllerAnimatedCompletion(alert, true);
  }

 private:
  std::vector<std::string> shownItems() const {
    std::vector<std::string> shown;
    std::copy_if(items_.begin(), items_.end(), std::back_inserter(shown),
                 [this](const std::string& item) { return item.find(filter_) != std::string::npos; });
    return shown;
  }

  std::vector<std::string> items_{"Apple", "Banana", "Cherry"};
  std::string filter_;
  std::string checked_;
  std::string laterText_ = "Waiting";
  std::shared_ptr<UITextField> countField_;
};

namespace {
const bool registered = NSRegisterClass<GalleryPage>("GalleryPage");
const bool manyRegistered = NSRegisterClass<ManyRowsPage>("ManyRowsPage");
}  // namespace
