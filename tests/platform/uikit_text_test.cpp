// Text fields and search bars: the delegate questions around each edit and
// around the end of editing, in UIKit's order and number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/PageTest.h"
#include "uikit/UISearchBar.h"
#include "uikit/UITextField.h"
#include "uikit_test_pages.h"

namespace {

// A field delegate that records every question and, like a settings page,
// may store and force the end of editing from within textFieldShouldEndEditing:.
class FieldDelegate : public UITextFieldDelegate {
 public:
  std::vector<std::string> calls;
  std::shared_ptr<UIView> pageView;
  bool endsEditingItself = false;
  bool resignsItself = false;
  bool allowEnd = true;
  bool resignOnNewline = false;
  bool refuseDeletion = false;

  bool textFieldShouldChangeCharactersInRangeReplacementString(const std::shared_ptr<UITextField>& field,
                                                               NSRange range, const std::string& string) override {
    calls.push_back("change " + std::to_string(range.location) + "," + std::to_string(range.length) + " [" +
                    string + "]");
    if (resignOnNewline && string == "\n") {
      field->resignFirstResponder();
      return false;
    }
    return string != "x" && !(refuseDeletion && string.empty());
  }
  bool textFieldShouldBeginEditing(const std::shared_ptr<UITextField>&) override {
    calls.push_back("shouldBegin");
    return true;
  }
  void textFieldDidBeginEditing(const std::shared_ptr<UITextField>&) override { calls.push_back("didBegin"); }
  bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>& field) override {
    calls.push_back("shouldEnd [" + field->text() + "]");
    if (endsEditingItself) pageView->endEditing(true);
    if (resignsItself) field->resignFirstResponder();
    return allowEnd;
  }
  void textFieldDidEndEditing(const std::shared_ptr<UITextField>&) override { calls.push_back("didEnd"); }
  bool textFieldShouldReturn(const std::shared_ptr<UITextField>&) override {
    calls.push_back("return");
    return true;
  }
};

// One row holding two text fields in its content view.
class FieldsPage : public ListPage {
 public:
  std::shared_ptr<UITextField> first = std::make_shared<UITextField>(CGRectMake(33, 6, 259, 31));
  std::shared_ptr<UITextField> second = std::make_shared<UITextField>(CGRectMake(33, 40, 259, 31));
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                  const NSIndexPath&) override {
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, "Cell 0");
    cell->contentView()->addSubview(first);
    cell->contentView()->addSubview(second);
    return cell;
  }
};

class TextFieldTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    page->sections = {{"fields"}};
    showPage(page);
    delegate->pageView = page->view();
    page->first->setDelegate(delegate);
  }
  std::shared_ptr<FieldsPage> page = std::make_shared<FieldsPage>();
  std::shared_ptr<FieldDelegate> delegate = std::make_shared<FieldDelegate>();
};

TEST_F(TextFieldTest, EveryTypedCharacterIsPutToTheDelegateAndAppliedOnlyWhenAllowed) {
  driver().tapTextField("s0r0/field0");
  EXPECT_TRUE(screen().table->sections[0].rows[0].textFields[0].editing);
  driver().typeText("1x2é");
  driver().deleteBackward();
  EXPECT_EQ(page->first->text(), "12");
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"shouldBegin", "didBegin", "change 0,0 [1]", "change 1,0 [x]",
                                                       "change 1,0 [2]", "change 2,0 [é]", "change 2,1 []"}));
}

// Accents and combining marks that share a lead byte, and emoji (two UTF-16
// units) that share three bytes, must be deleted and typed whole.
TEST_F(TextFieldTest, EditingDeletesWholeCharactersBackToTheCommonStartThenTypesTheRest) {
  struct Case {
    std::string from, to;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"café", "cafè", {"change 3,1 []", "change 3,0 [è]"}},
      {"cafe\u0301", "cafe\u0300", {"change 4,1 []", "change 4,0 [\u0300]"}},
      {"a😀b", "a😁", {"change 3,1 []", "change 1,2 []", "change 1,0 [😁]"}},
      {"ab", "abc", {"change 2,0 [c]"}},
  };
  driver().tapTextField("s0r0/field0");
  for (const auto& edit : cases) {
    page->first->setText(edit.from);
    delegate->calls.clear();
    driver().editText("s0r0/field0", edit.to);
    EXPECT_EQ(page->first->text(), edit.to);
    EXPECT_EQ(delegate->calls, edit.calls) << edit.from << " to " << edit.to;
  }

  delegate->refuseDeletion = true;
  page->first->setText("ab");
  delegate->calls.clear();
  driver().editText("s0r0/field0", "ac");
  EXPECT_EQ(page->first->text(), "ab") << "nothing is typed after a refused deletion";
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"change 1,1 []"}));
}

TEST_F(TextFieldTest, EndingEditingAsksTheDelegateOnceEvenWhenItEndsEditingItself) {
  for (bool byResigning : {false, true}) {
    delegate->endsEditingItself = !byResigning;
    delegate->resignsItself = byResigning;
    page->first->setText("");
    driver().tapTextField("s0r0/field0");
    driver().typeText("3");
    delegate->calls.clear();
    driver().endEditing();
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"shouldEnd [3]", "didEnd"})) << byResigning;
    EXPECT_FALSE(page->first->isFirstResponder());
  }
}

TEST_F(TextFieldTest, ANewlineTypedGoesThroughTheDelegateWhichMayResign) {
  delegate->resignOnNewline = true;
  delegate->endsEditingItself = true;
  driver().tapTextField("s0r0/field0");
  driver().typeText("5\n6");
  EXPECT_EQ(page->first->text(), "5") << "the keyboard went away with the newline";
  EXPECT_FALSE(page->first->isFirstResponder());
  EXPECT_EQ(std::count(delegate->calls.begin(), delegate->calls.end(), "shouldEnd [5]"), 1);

  // The return key is first a line feed at the caret; textFieldShouldReturn:
  // is asked only while the field still edits, and no line feed is ever taken.
  for (bool resigns : {true, false}) {
    delegate->resignOnNewline = resigns;
    driver().tapTextField("s0r0/field0");
    delegate->calls.clear();
    driver().pressReturn();
    const std::vector<std::string> calls = resigns ? std::vector<std::string>{"change 1,0 [\n]", "shouldEnd [5]", "didEnd"}
                                                   : std::vector<std::string>{"change 1,0 [\n]", "return"};
    EXPECT_EQ(delegate->calls, calls);
    EXPECT_EQ(page->first->text(), "5");
  }
}

TEST_F(TextFieldTest, ARefusedEndKeepsTheFocusUnlessForced) {
  delegate->allowEnd = false;
  driver().tapTextField("s0r0/field0");
  driver().endEditing();
  EXPECT_TRUE(page->first->isFirstResponder());
  driver().tapTextField("s0r0/field1");
  EXPECT_TRUE(page->first->isFirstResponder()) << "the other field cannot take the focus";

  delegate->calls.clear();
  page->view()->endEditing(true);
  EXPECT_FALSE(page->first->isFirstResponder());
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"didEnd"})) << "forcing does not ask";
  driver().tapTextField("s0r0/field1");
  EXPECT_TRUE(page->second->isFirstResponder());
  EXPECT_THROW(driver().tapTextField("s0r0/field2"), std::invalid_argument);
  EXPECT_THROW(driver().tapTextField("s0r0/field1x"), std::invalid_argument);
}

TEST_F(TextFieldTest, AFieldWhoseRowLeavesIsAskedToEndEditingAndGoesEvenWhenItRefuses) {
  for (bool allow : {true, false}) {
    delegate->allowEnd = allow;
    page->tableView()->setContentOffset({0, 0});
    page->first->setText("");
    driver().tapTextField("s0r0/field0");
    driver().typeText("7");
    delegate->calls.clear();
    page->tableView()->setContentOffset({0, 1e5});
    EXPECT_TRUE(page->tableView()->visibleCells().empty());
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"shouldEnd [7]", "didEnd"})) << allow;
    EXPECT_EQ(window()->firstResponder(), nullptr);
  }
}

TEST_F(TextFieldTest, GoingBackEndsEditingOfTheLeavingPage) {
  page->first->setDelegate(nullptr);
  auto next = std::make_shared<FieldsPage>();
  next->sections = {{"fields"}};
  navigationController()->pushViewControllerAnimated(next, true);
  next->first->setDelegate(delegate);
  driver().tapTextField("s0r0/field0");
  driver().typeText("9");
  delegate->calls.clear();
  driver().goBack();
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"shouldEnd [9]", "didEnd"}));
  EXPECT_EQ(window()->firstResponder(), nullptr);
}

class SearchDelegate : public UISearchBarDelegate {
 public:
  std::vector<std::string> calls;
  void searchBarTextDidBeginEditing(const std::shared_ptr<UISearchBar>& bar) override {
    calls.push_back("begin");
    bar->setShowsCancelButtonAnimated(true, true);
  }
  void searchBarTextDidChange(const std::shared_ptr<UISearchBar>&, const std::string& text) override {
    calls.push_back("text [" + text + "]");
  }
  void searchBarCancelButtonClicked(const std::shared_ptr<UISearchBar>& bar) override {
    calls.push_back("cancel");
    bar->resignFirstResponder();
    bar->setShowsCancelButtonAnimated(false, true);
  }
};

TEST_F(TextFieldTest, SearchBarInTheNavigationBarTellsItsDelegateOfEveryChange) {
  auto bar = std::make_shared<UISearchBar>(CGRectMake(0, 0, 320, 44));
  auto searchDelegate = std::make_shared<SearchDelegate>();
  bar->setDelegate(searchDelegate);
  page->navigationItem()->setTitleView(bar);
  EXPECT_THROW(driver().tapSearchCancelButton(), std::invalid_argument) << "no cancel button yet";

  driver().setSearchText("ab");
  driver().setSearchText("a😀");
  driver().setSearchText("ac");
  EXPECT_EQ(screen().navigationBar.searchBar->text, "ac");
  driver().tapSearchCancelButton();
  EXPECT_EQ(searchDelegate->calls,
            (std::vector<std::string>{"begin", "text [a]", "text [ab]", "text [a]", "text [a😀]", "text [a]",
                                      "text [ac]", "cancel"}));
  // The picker's suite reads the bar's editing and cancel button off the screen.
  driver().tapSearchBar();
  navigationController()->pushViewControllerAnimated(std::make_shared<ListPage>(), true);
  EXPECT_FALSE(bar->isFirstResponder()) << "the search bar of a page pushed away stops editing";
  EXPECT_EQ(bar->text(), "ac");
}

}  // namespace
