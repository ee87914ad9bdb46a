#pragma once
// The questions a table asks its data source and tells its delegate. A page
// derives from these and overrides what it answers; the rest keep UIKit's
// defaults (one section, no footer, the table's own row height).
#include <memory>
#include <optional>
#include <string>

#include "uikit/CGGeometry.h"
#include "uikit/NSIndexPath.h"

class UITableView;
class UITableViewCell;

// A row height that means "the table's rowHeight", and, as the table's
// rowHeight, "as high as the cell's content".
inline constexpr CGFloat UITableViewAutomaticDimension = -1;

class UITableViewDataSource {
 public:
  virtual ~UITableViewDataSource() = default;
  virtual long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) { return 1; }
  virtual long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) = 0;
  virtual std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
      const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) = 0;
  virtual std::optional<std::string> tableViewTitleForHeaderInSection(
      const std::shared_ptr<UITableView>& tableView, long section) {
    return std::nullopt;
  }
  virtual std::optional<std::string> tableViewTitleForFooterInSection(
      const std::shared_ptr<UITableView>& tableView, long section) {
    return std::nullopt;
  }
};

class UITableViewDelegate {
 public:
  virtual ~UITableViewDelegate() = default;
  virtual CGFloat tableViewHeightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                   const NSIndexPath& indexPath) {
    return UITableViewAutomaticDimension;
  }
  virtual void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                const NSIndexPath& indexPath) {}
  virtual void tableViewWillDisplayCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                         const std::shared_ptr<UITableViewCell>& cell,
                                                         const NSIndexPath& indexPath) {}
};
