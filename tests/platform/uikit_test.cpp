// What the pages count on of the UIKit stand-in that no page suite sees
// break: editing ends, asking the field first, when its page is pushed away
// or its row leaves the cells the table holds; the return key is a line feed
// before it is a return; visibleCells hands out the overscan's cells too; a
// page pushed keeps the viewport height the browser told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/PageTest.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationItem.h"
#include "uikit/UISearchBar.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITableViewController.h"
#include "uikit/UITextField.h"

namespace {

using Calls = std::vector<std::string>;

class FieldDelegate : public UITextFieldDelegate {
 public:
  Calls calls;
  bool allowEnd = true;
  bool resignOnLineFeed = false;  // as the sound page's count field does

  bool textFieldShouldChangeCharactersInRangeReplacementString(const std::shared_ptr<UITextField>& field, NSRange,
                                                               const std::string& string) override {
    calls.push_back("change [" + string + "]");
    if (resignOnLineFeed && string == "\n") field->resignFirstResponder();
    return true;
  }
  bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>&) override {
    calls.push_back("shouldEnd");
    return allowEnd;
  }
  void textFieldDidEndEditing(const std::shared_ptr<UITextField>&) override { calls.push_back("didEnd"); }
  bool textFieldShouldReturn(const std::shared_ptr<UITextField>&) override {
    calls.push_back("return");
    return true;
  }
};

// 100 rows of 44 points, a new cell each; the first row holds a text field.
class FieldPage : public UITableViewController {
 public:
  std::shared_ptr<UITextField> field = std::make_shared<UITextField>(CGRectMake(33, 6, 259, 31));
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return 100; }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, "Cell");
    cell->textLabel()->setText("row " + std::to_string(indexPath.row));
    if (indexPath.row == 0) cell->contentView()->addSubview(field);
    return cell;
  }
};

class UIKitStandInTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    showPage(page);
    page->field->setDelegate(delegate);
    driver().tapTextField("s0r0/field0");
    delegate->calls.clear();
  }
  std::shared_ptr<FieldPage> page = std::make_shared<FieldPage>();
  std::shared_ptr<FieldDelegate> delegate = std::make_shared<FieldDelegate>();
};


// The page's fields are asked first; its navigation bar's search bar ends too.
TEST_F(UIKitStandInTest, APushEndsTheEditingBelow) {
  delegate->allowEnd = false;
  navigationController()->pushViewControllerAnimated(std::make_shared<FieldPage>(), true);
  EXPECT_EQ(delegate->calls, (Calls{"shouldEnd", "didEnd"}));
  EXPECT_EQ(window()->firstResponder(), nullptr);

  auto bar = std::make_shared<UISearchBar>(CGRectMake(0, 0, 320, 44));
  navigationController()->topViewController()->navigationItem()->setTitleView(bar);
  driver().tapSearchBar();
  ASSERT_TRUE(bar->isFirstResponder());
  navigationController()->pushViewControllerAnimated(std::make_shared<FieldPage>(), true);
  EXPECT_FALSE(bar->isFirstResponder());
}

TEST_F(UIKitStandInTest, AFieldWhoseRowLeavesTheHeldCellsIsAskedThenEndsEvenWhenItRefuses) {
  delegate->allowEnd = false;
  driver().scrollTo(1e6);
  EXPECT_EQ(delegate->calls, (Calls{"shouldEnd", "didEnd"}));
  EXPECT_EQ(window()->firstResponder(), nullptr);
}

// The chooser clears its checkmarks through visibleCells: 17 rows fill the
// 748 points below the navigation bar, and a screen more is held below them.
// The browser tells its height once; a page pushed after shows the rows that fill it.
TEST_F(UIKitStandInTest, VisibleCellsCoverTheOverscanAndAPagePushedKeepsTheViewportHeightTold) {
  const auto cells = page->tableView()->visibleCells();
  ASSERT_EQ(cells.size(), 34u);
  EXPECT_EQ(cells.back()->textLabel()->text(), "row 33");
  driver().setViewportHeight(300);
  navigationController()->pushViewControllerAnimated(std::make_shared<FieldPage>(), false);
  driver().scrollTo(0);
  EXPECT_EQ(screen().table->viewportHeight, 300);
}

// textFieldShouldReturn: is asked only of a field still editing after the
// line feed, which is never typed.
TEST_F(UIKitStandInTest, TheReturnKeyIsALineFeedFirstThenAReturn) {
  for (bool resigns : {false, true}) {
    delegate->resignOnLineFeed = resigns;
    driver().tapTextField("s0r0/field0");
    delegate->calls.clear();
    driver().pressReturn();
    const Calls expected = resigns ? Calls{"change [\n]", "shouldEnd", "didEnd"} : Calls{"change [\n]", "return"};
    EXPECT_EQ(delegate->calls, expected);
    EXPECT_EQ(page->field->text(), "");
  }
}

}  // namespace
