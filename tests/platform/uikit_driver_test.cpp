// The user driver and the screen model it reads: what a row shows, acting
// on it by its text, and the main-queue work an action leaves behind.
#include <gtest/gtest.h>

#include "dispatch/MainRunLoop.h"
#include "dispatch/dispatch.h"
#include "support/PageTest.h"
#include "uikit/UISwitch.h"
#include "uikit/UITextField.h"
#include "uikit_test_pages.h"

namespace {

// A settings-like page: a switch row, a value row, a row holding a field and
// a row made of a label only. Taps post work to the main queue.
class SettingsPage : public ListPage {
 public:
  SettingsPage() : ListPage(UITableViewStyleGrouped) {}
  std::shared_ptr<UISwitch> toggle = std::make_shared<UISwitch>(CGRectZero);
  std::shared_ptr<UITextField> field = std::make_shared<UITextField>(CGRectMake(33, 6, 259, 31));
  std::vector<std::string> events;

  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) override { return 4; }
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return 1; }
  std::optional<std::string> tableViewTitleForFooterInSection(const std::shared_ptr<UITableView>&,
                                                              long section) override {
    return section == 0 ? std::optional<std::string>("Enable Custom Sound") : std::nullopt;
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                  const NSIndexPath& indexPath) override {
    auto style = indexPath.section == 1 ? UITableViewCellStyleValue1 : UITableViewCellStyleDefault;
    auto cell = std::make_shared<UITableViewCell>(style, "Cell " + std::to_string(indexPath.section));
    switch (indexPath.section) {
      case 0:
        cell->textLabel()->setText("Enable Custom Sound");
        cell->setAccessoryView(toggle);
        toggle->addTargetActionForControlEvents(selfAs<SettingsPage>(), &SettingsPage::switched,
                                                UIControlEventTouchUpInside);
        break;
      case 1:
        cell->textLabel()->setText("Custom Sound");
        cell->detailTextLabel()->setText("Default");
        cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
        break;
      case 2:
        cell->contentView()->addSubview(field);
        break;
      default: {
        auto label = std::make_shared<UILabel>();
        label->setText("Heading");
        cell->contentView()->addSubview(label);
      }
    }
    return cell;
  }
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath) override {
    events.push_back("selected " + std::to_string(indexPath.section));
    dispatch_async(dispatch_get_main_queue(), [this] { events.push_back("main queue"); });
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 3 * NSEC_PER_SEC), dispatch_get_main_queue(),
                   [this] { events.push_back("three seconds later"); });
  }
  void switched(const std::shared_ptr<UISwitch>& sender) { events.push_back(sender->isOn() ? "on" : "off"); }
};

class DriverTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    showPage(page);
  }
  std::shared_ptr<SettingsPage> page = std::make_shared<SettingsPage>();
};

// The sound pages' suites read switches, value rows and fields as their pages set them.
TEST_F(DriverTest, ScreenDescribesWhatEachRowShows) {
  auto table = *screen().table;
  EXPECT_EQ(table.sections[1].rows.at(0).style, ScreenCellStyle::value1);
  const auto& fieldRow = table.sections[2].rows.at(0);
  EXPECT_FALSE(fieldRow.text) << "a row without text shows none, not an empty text";
  EXPECT_EQ(fieldRow.textFields.at(0).id, "s2r0/field0");
}

TEST_F(DriverTest, ActsOnRowsByTheirTextAndReportsWhatIsMissing) {
  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_TRUE(screen().table->sections[0].rows[0].accessorySwitch->on);
  driver().flipSwitch("s0r0/switch");
  driver().tapRowByText("Heading");
  EXPECT_EQ(page->events, (std::vector<std::string>{"on", "off", "selected 3", "main queue"}))
      << "an action runs the main-queue work that is due, not later timers";
  clock().advance(std::chrono::seconds(3));
  MainRunLoop::main().runDue();
  EXPECT_EQ(page->events.back(), "three seconds later");

  EXPECT_THROW(driver().flipSwitch("s1r0/switch"), std::invalid_argument) << "the value row has no switch";
  EXPECT_THROW(driver().flipSwitch("s9r0/switch"), std::invalid_argument);
  // Ids come from the browser: malformed or out-of-range ones name no row.
  for (const char* id : {"s0r99999999999999999999", "s0r0x", "s0", "r0s0", ""})
    EXPECT_THROW(driver().tapRow(id), std::invalid_argument) << id;
  EXPECT_THROW(driver().typeText("1"), std::invalid_argument) << "nothing is being edited";
  EXPECT_THROW(driver().tapRightBarButton(), std::invalid_argument);
  EXPECT_THROW(driver().sendMail(), std::invalid_argument);
  try {
    driver().tapRowByText("Ringtones");
    FAIL() << "no row shows that text";
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("\"Ringtones\""), std::string::npos) << error.what();
  }
}

}  // namespace
