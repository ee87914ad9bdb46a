#pragma once
// Reads the screen model off the key window's live objects, and finds the
// objects behind the model's ids for the user driver.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uikit/NSIndexPath.h"
#include "uikit/ScreenModel.h"

class NSObject;
class UIView;
class UIWindow;
class UIViewController;
class UINavigationController;
class UITableView;
class UITextField;
class UILabel;
class UITableViewCell;

namespace ScreenBuilder {

// What the window shows: the navigation stack (if the root is one), the
// page on top, its table, and the controller presented over everything.
struct Parts {
  std::shared_ptr<UINavigationController> navigation;
  std::shared_ptr<UIViewController> page;
  std::shared_ptr<UITableView> table;
  std::shared_ptr<UIViewController> presented;  // the topmost presented controller
};

Parts find(const UIWindow& window);
Screen describe(const UIWindow& window);

std::string rowId(const NSIndexPath& indexPath);
// "s<section>r<row>"; none when the id is not a row id.
std::optional<NSIndexPath> parseRowId(const std::string& id);

// The text fields and labels in a cell's content view, depth first (the
// cell's own text and detail labels are not among the labels).
std::vector<std::shared_ptr<UITextField>> textFieldsIn(const UIView& view);
std::vector<std::shared_ptr<UILabel>> labelsIn(const UITableViewCell& cell);

}  // namespace ScreenBuilder
