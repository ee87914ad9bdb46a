#pragma once
// Small pages for the UIKit tests: a list whose rows, footers and heights a
// test sets, counting what the table asks of it.
#include <optional>
#include <string>
#include <vector>

#include "uikit/UILabel.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITableViewController.h"

class ListPage : public UITableViewController {
 public:
  explicit ListPage(UITableViewStyle style = UITableViewStylePlain) : UITableViewController(style) {}

  // Rows of "row <n>" in one section.
  static std::vector<std::string> numberedRows(int count) {
    std::vector<std::string> rows;
    for (int row = 0; row < count; ++row) rows.push_back("row " + std::to_string(row));
    return rows;
  }

  std::vector<std::vector<std::string>> sections{{}};
  std::vector<std::optional<std::string>> headers;
  std::vector<std::optional<std::string>> footers;
  std::optional<CGFloat> rowHeight;  // none: automatic
  UITableViewCellStyle cellStyle = UITableViewCellStyleDefault;
  std::optional<std::string> detailText;
  int cellsConfigured = 0;
  int cellsCreated = 0;
  std::vector<NSIndexPath> selections;

  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) override {
    return static_cast<long>(sections.size());
  }
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long section) override {
    return static_cast<long>(sections[section].size());
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    ++cellsConfigured;
    auto cell = tableView->dequeueReusableCellWithIdentifier("ListCell");
    if (!cell) {
      ++cellsCreated;
      cell = std::make_shared<UITableViewCell>(cellStyle, "ListCell");
    }
    cell->textLabel()->setText(sections[indexPath.section][indexPath.row]);
    if (detailText) cell->detailTextLabel()->setText(detailText);
    return cell;
  }
  std::optional<std::string> tableViewTitleForHeaderInSection(const std::shared_ptr<UITableView>&,
                                                              long section) override {
    return static_cast<std::size_t>(section) < headers.size() ? headers[section] : std::nullopt;
  }
  std::optional<std::string> tableViewTitleForFooterInSection(const std::shared_ptr<UITableView>&,
                                                              long section) override {
    return static_cast<std::size_t>(section) < footers.size() ? footers[section] : std::nullopt;
  }
  CGFloat tableViewHeightForRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath&) override {
    return rowHeight.value_or(UITableViewAutomaticDimension);
  }
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath) override {
    selections.push_back(indexPath);
  }
};
