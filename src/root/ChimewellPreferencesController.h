#pragma once
// The pane's principal class: the page the Settings app opens. A grouped
// table of three one-row sections: the way into the per-app configuration,
// a pre-addressed problem report, and the developer's profile link.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mail/MFMailComposeViewController.h"
#include "preferences/PSViewController.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewProtocols.h"

class ChimewellPreferencesController : public PSViewController,
                                       public UITableViewDelegate,
                                       public UITableViewDataSource,
                                       public MFMailComposeViewControllerDelegate {
 public:
  static constexpr const char* kSupportAddress = "support@chimewell.app";
  static constexpr const char* kProfileAddress = "https://twitter.com/chimewell";
  static constexpr const char* kReportSubject = "Chimewell tweak issue";
  static constexpr const char* kReportBody = "Hello! I'm having the following issue with Chimewell: ";

  ChimewellPreferencesController();  // init

  const std::shared_ptr<UITableView>& tableView() const { return tableView_; }
  void setTableView(std::shared_ptr<UITableView> tableView) { tableView_ = std::move(tableView); }
  const std::vector<std::string>& cellIconNames() const { return cellIconNames_; }
  void setCellIconNames(std::vector<std::string> names) { cellIconNames_ = std::move(names); }

  void loadView() override;

  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override;
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView,
                                      long section) override;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
      const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;
  std::optional<std::string> tableViewTitleForFooterInSection(
      const std::shared_ptr<UITableView>& tableView, long section) override;
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override;

  void mailComposeControllerDidFinishWithResultError(
      const std::shared_ptr<MFMailComposeViewController>& controller, MFMailComposeResult result,
      const std::shared_ptr<NSError>& error) override;

 private:
  void showApplicationPicker();
  void presentProblemReport();
  void openProfile();

  std::shared_ptr<UITableView> tableView_;
  std::vector<std::string> cellIconNames_;
};
