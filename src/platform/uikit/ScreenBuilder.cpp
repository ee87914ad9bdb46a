#include "uikit/ScreenBuilder.h"

#include <charconv>

#include "uikit/UIAlertController.h"
#include "uikit/UIApplication.h"
#include "uikit/UIBarButtonItem.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UISearchBar.h"
#include "uikit/UISwitch.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITableViewController.h"
#include "uikit/UITextField.h"
#include "uikit/UIWindow.h"

namespace ScreenBuilder {
namespace {

std::shared_ptr<UITableView> firstTableIn(const std::shared_ptr<UIView>& view) {
  if (auto table = std::dynamic_pointer_cast<UITableView>(view)) return table;
  for (const auto& subview : view->subviews())
    if (auto table = firstTableIn(subview)) return table;
  return nullptr;
}

std::shared_ptr<UITableView> tableOf(const std::shared_ptr<UIViewController>& page) {
  if (auto controller = std::dynamic_pointer_cast<UITableViewController>(page)) return controller->tableView();
  return firstTableIn(page->view());
}

template <class T>
void collect(const UIView& view, std::vector<std::shared_ptr<T>>& found) {
  for (const auto& subview : view.subviews()) {
    if (subview->isHidden()) continue;
    if (auto match = std::dynamic_pointer_cast<T>(subview)) found.push_back(match);
    collect(*subview, found);
  }
}

// UIKit's constants in the model's terms. A value outside UIKit's list (a
// page may cast any number) reads as the platform's default.
ScreenCellStyle cellStyle(UITableViewCellStyle style) {
  switch (style) {
    case UITableViewCellStyleDefault: return ScreenCellStyle::basic;
    case UITableViewCellStyleValue1: return ScreenCellStyle::value1;
    case UITableViewCellStyleValue2: return ScreenCellStyle::value2;
    case UITableViewCellStyleSubtitle: return ScreenCellStyle::subtitle;
  }
  return ScreenCellStyle::basic;
}

ScreenAccessory accessory(UITableViewCellAccessoryType type) {
  switch (type) {
    case UITableViewCellAccessoryNone: return ScreenAccessory::none;
    case UITableViewCellAccessoryDisclosureIndicator: return ScreenAccessory::disclosure;
    case UITableViewCellAccessoryDetailDisclosureButton: return ScreenAccessory::detailDisclosure;
    case UITableViewCellAccessoryCheckmark: return ScreenAccessory::checkmark;
  }
  return ScreenAccessory::none;
}

ScreenSelectionStyle selectionStyle(UITableViewCellSelectionStyle style) {
  return style == UITableViewCellSelectionStyleNone ? ScreenSelectionStyle::none : ScreenSelectionStyle::highlight;
}

ScreenTextAlignment alignment(NSTextAlignment alignment) {
  switch (alignment) {
    case NSTextAlignmentCenter: return ScreenTextAlignment::center;
    case NSTextAlignmentRight: return ScreenTextAlignment::right;
    case NSTextAlignmentJustified: return ScreenTextAlignment::justified;
    case NSTextAlignmentLeft:
    case NSTextAlignmentNatural: return ScreenTextAlignment::left;
  }
  return ScreenTextAlignment::left;
}

std::optional<ScreenSystemItem> systemItem(std::optional<UIBarButtonSystemItem> item) {
  if (!item) return std::nullopt;
  switch (*item) {
    case UIBarButtonSystemItemDone: return ScreenSystemItem::done;
    case UIBarButtonSystemItemCancel: return ScreenSystemItem::cancel;
    case UIBarButtonSystemItemEdit: return ScreenSystemItem::edit;
    case UIBarButtonSystemItemSave: return ScreenSystemItem::save;
    case UIBarButtonSystemItemAdd: return ScreenSystemItem::add;
  }
  return std::nullopt;
}

ScreenAlertActionStyle actionStyle(UIAlertActionStyle style) {
  switch (style) {
    case UIAlertActionStyleDefault: return ScreenAlertActionStyle::standard;
    case UIAlertActionStyleCancel: return ScreenAlertActionStyle::cancel;
    case UIAlertActionStyleDestructive: return ScreenAlertActionStyle::destructive;
  }
  return ScreenAlertActionStyle::standard;
}

ScreenTextField describeField(const UITextField& field, std::string id) {
  ScreenTextField described;
  described.id = std::move(id);
  described.text = field.text();
  described.placeholder = field.placeholder();
  described.alignment = alignment(field.textAlignment());
  described.editing = field.isFirstResponder();
  described.highlighted = field.isHighlighted();
  described.x = field.frame().origin.x;
  described.y = field.frame().origin.y;
  described.width = field.frame().size.width;
  described.height = field.frame().size.height;
  return described;
}

ScreenLabel describeLabel(const UILabel& label) {
  ScreenLabel described;
  described.text = label.text().value_or("");
  auto font = label.font() ? label.font() : UIFont::systemFontOfSize(17);
  described.fontName = font->fontName();
  described.fontSize = font->pointSize();
  described.bold = font->isBold();
  described.alignment = alignment(label.textAlignment());
  described.secondaryColor = label.textColor() && label.textColor()->name() == "secondaryLabelColor";
  if (label.numberOfLines() > 0) described.maxLines = label.numberOfLines();
  else described.maxLines.reset();
  described.x = label.frame().origin.x;
  described.y = label.frame().origin.y;
  described.width = label.frame().size.width;
  described.height = label.frame().size.height;
  return described;
}

std::optional<std::string> labelText(const std::shared_ptr<UILabel>& label) {
  return label ? label->text() : std::nullopt;
}

ScreenRow describeRow(UITableView& table, const NSIndexPath& indexPath, UITableViewCell& cell) {
  ScreenRow row;
  row.id = rowId(indexPath);
  row.section = static_cast<int>(indexPath.section);
  row.row = static_cast<int>(indexPath.row);
  row.style = cellStyle(cell.style());
  row.text = labelText(cell.existingTextLabel());
  row.detailText = labelText(cell.existingDetailTextLabel());
  if (cell.existingImageView()) row.image = cell.existingImageView()->image();
  row.accessory = accessory(cell.accessoryType());
  if (auto toggle = std::dynamic_pointer_cast<UISwitch>(cell.accessoryView()))
    row.accessorySwitch = ScreenSwitch{row.id + "/switch", toggle->isOn()};
  auto fields = textFieldsIn(*cell.contentView());
  for (std::size_t index = 0; index < fields.size(); ++index)
    row.textFields.push_back(describeField(*fields[index], row.id + "/field" + std::to_string(index)));
  for (const auto& label : labelsIn(cell)) row.labels.push_back(describeLabel(*label));
  row.selectionStyle = selectionStyle(cell.selectionStyle());
  row.selected = cell.isSelected();
  row.clearBackground = cell.backgroundColor() && cell.backgroundColor()->alpha() == 0;
  const UIEdgeInsets& inset = cell.separatorInset();
  row.showsSeparator = inset.left + inset.right < cell.frame().size.width;
  CGRect rect = table.rectForRowAtIndexPath(indexPath);
  row.y = rect.origin.y;
  row.height = rect.size.height;
  return row;
}

ScreenTable describeTable(UITableView& table) {
  ScreenTable described;
  described.style = table.style() == UITableViewStylePlain ? ScreenTableStyle::plain : ScreenTableStyle::grouped;
  described.separators = table.separatorStyle() != UITableViewCellSeparatorStyleNone;
  described.contentHeight = table.contentSize().height;
  described.contentOffset = table.contentOffset().y;
  described.viewportHeight = table.viewportHeight();
  described.overscan = table.overscan();
  for (long section = 0; section < table.numberOfSections(); ++section)
    described.sections.push_back(ScreenSection{static_cast<int>(section), table.headerTitleForSection(section),
                                               table.footerTitleForSection(section), {},
                                               table.numberOfRowsInSection(section),
                                               table.rectForFooterInSection(section).origin.y});
  for (const auto& indexPath : table.indexPathsForVisibleRows()) {
    auto cell = table.cellForRowAtIndexPath(indexPath);
    described.sections[indexPath.section].rows.push_back(describeRow(table, indexPath, *cell));
  }
  return described;
}

std::optional<std::string> pageTitle(UIViewController& page) {
  auto title = page.navigationItem()->title();
  return title ? title : page.title();
}

ScreenNavigationBar describeNavigationBar(const Parts& parts) {
  ScreenNavigationBar bar;
  auto item = parts.page->navigationItem();
  bar.title = pageTitle(*parts.page);
  if (auto search = std::dynamic_pointer_cast<UISearchBar>(item->titleView()))
    bar.searchBar = ScreenSearchBar{search->text(), search->placeholder(), search->showsCancelButton(),
                                    search->isFirstResponder()};
  if (parts.navigation && parts.navigation->viewControllers().size() > 1) {
    const auto& stack = parts.navigation->viewControllers();
    bar.backTitle = pageTitle(*stack[stack.size() - 2]).value_or("Back");
  }
  if (auto button = item->rightBarButtonItem())
    bar.rightButton = ScreenBarButton{"nav/right", systemItem(button->systemItem()), button->title()};
  return bar;
}

ScreenAlert describeAlert(const UIAlertController& alert) {
  ScreenAlert described;
  described.title = alert.title();
  described.message = alert.message();
  for (std::size_t index = 0; index < alert.textFields().size(); ++index)
    described.textFields.push_back(describeField(*alert.textFields()[index], "alert/field" + std::to_string(index)));
  for (std::size_t index = 0; index < alert.actions().size(); ++index) {
    const auto& action = alert.actions()[index];
    described.actions.push_back(
        ScreenAlertAction{"alert/action" + std::to_string(index), action->title().value_or(""), actionStyle(action->style())});
    if (action->style() == UIAlertActionStyleDefault) described.returnKeyAction = described.actions.back().id;
  }
  return described;
}

}  // namespace

Parts find(const UIWindow& window) {
  Parts parts;
  auto root = window.rootViewController();
  if (!root) return parts;
  parts.navigation = std::dynamic_pointer_cast<UINavigationController>(root);
  parts.page = parts.navigation ? parts.navigation->topViewController() : root;
  if (parts.page) parts.table = tableOf(parts.page);
  for (auto presented = root->presentedViewController(); presented; presented = presented->presentedViewController())
    parts.presented = presented;
  return parts;
}

Screen describe(const UIWindow& window) {
  Screen screen;
  Parts parts = find(window);
  if (!parts.page) return screen;
  screen.depth = parts.navigation ? static_cast<int>(parts.navigation->viewControllers().size()) : 1;
  screen.pageClass = NSStringFromClass(*parts.page);
  screen.navigationBar = describeNavigationBar(parts);
  screen.loading = UIApplication::sharedApplication()->isNetworkActivityIndicatorVisible();
  if (parts.table) screen.table = describeTable(*parts.table);
  if (auto alert = std::dynamic_pointer_cast<UIAlertController>(parts.presented))
    screen.alert = describeAlert(*alert);
  else if (parts.presented)
    parts.presented->describePresentedScreen(screen);
  return screen;
}

std::string rowId(const NSIndexPath& indexPath) {
  return "s" + std::to_string(indexPath.section) + "r" + std::to_string(indexPath.row);
}

std::optional<NSIndexPath> parseRowId(const std::string& id) {
  // "s<section>r<row>", whole; ids come from the browser, so anything else,
  // out-of-range numbers included, is no row.
  const char* position = id.data();
  const char* end = id.data() + id.size();
  long section = 0, row = 0;
  auto number = [&](char tag, long& value) {
    if (position == end || *position != tag) return false;
    auto [next, error] = std::from_chars(position + 1, end, value);
    position = next;
    return error == std::errc{};
  };
  if (!number('s', section) || !number('r', row) || position != end) return std::nullopt;
  return NSIndexPath{section, row};
}

std::vector<std::shared_ptr<UITextField>> textFieldsIn(const UIView& view) {
  std::vector<std::shared_ptr<UITextField>> fields;
  collect(view, fields);
  return fields;
}

std::vector<std::shared_ptr<UILabel>> labelsIn(const UITableViewCell& cell) {
  std::vector<std::shared_ptr<UILabel>> labels;
  collect(*cell.contentView(), labels);
  std::erase_if(labels, [&cell](const auto& label) {
    return label == cell.existingTextLabel() || label == cell.existingDetailTextLabel();
  });
  return labels;
}


}  // namespace ScreenBuilder
