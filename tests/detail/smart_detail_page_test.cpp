// The alternate sound page: created by class name only, beside the per-app
// page whose rows it shares (that suite owns their texts).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "detail/SmartDetailView.h"
#include "detail/SoundPageVariables.h"
#include "SoundPageTest.h"
#include "uikit/UITableViewCell.h"

namespace {

namespace fs = std::filesystem;
using Dictionary = PlistValue::Dictionary;
using ::testing::IsEmpty;

class SmartDetailPageTest : public SoundPageTest {
 protected:
  std::shared_ptr<SmartDetailView> openPage() { return open<SmartDetailView>("SmartDetailView"); }
};

TEST_F(SmartDetailPageTest, ShowsThreeRowsAndAClosingFooterWithoutACountField) {
  const auto countField = fromDate;
  const auto otherVibrationSwitch = switchview123;
  auto page = openPage();
  ASSERT_NE(page, nullptr);
  const Screen shown = screen();
  EXPECT_EQ(shown.pageClass, "SmartDetailView");
  EXPECT_EQ(shown.navigationBar.title, kAppName);
  ASSERT_EQ(shown.table->sections.size(), 4u);
  EXPECT_EQ(shown.table->sections[1].footer, "Select the Custom sound");
  EXPECT_EQ(shown.table->sections[2].footer, "Enable Custom vibration pattern for Météo+");
  EXPECT_THAT(shown.table->sections[3].rows, IsEmpty());
  EXPECT_EQ(shown.table->sections[3].footer,
            "Dial in how many times you would like the phone to vibrate when notification is received "
            "(usually there's a 0.5 sec interval between each vibration");
  for (int section = 0; section < 3; ++section) EXPECT_THAT(rowIn(shown, section).textFields, IsEmpty());
  EXPECT_EQ(rowIn(shown, 1).detailText, "Default");

  auto table = page->tableView();
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->accessoryView(), switchview);
  EXPECT_EQ(table->cellForRowAtIndexPath({2, 0})->accessoryView(), switchview11);
  // The per-app page's own controls are left alone.
  EXPECT_EQ(switchview123, otherVibrationSwitch);
  EXPECT_EQ(fromDate, countField);
  for (long section : {3L, 4L, -1L}) {
    EXPECT_EQ(page->tableViewCellForRowAtIndexPath(table, {section, 0}), nullptr);
    EXPECT_EQ(page->tableViewNumberOfRowsInSection(table, section), 0);
  }
  EXPECT_EQ(page->tableViewTitleForFooterInSection(table, 4), std::nullopt);
}

TEST_F(SmartDetailPageTest, ItsSoundSwitchIsItsOwnWhileTheVibrationSwitchIsShared) {
  openPage();
  driver().flipSwitchByText("Enable Custom Sound");
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_EQ(stored(), (Dictionary{{"customToggle", true}, {"vibrationToggle", true}}));

  driver().goBack();
  open("ChimewellDetailView");
  EXPECT_FALSE(switchOn(0));
  EXPECT_TRUE(switchOn(2));
  driver().flipSwitchByText("Enable Custom Sound");
  driver().flipSwitchByText("Enable Custom Vibration");

  reopen("SmartDetailView");
  EXPECT_TRUE(switchOn(0));
  EXPECT_FALSE(switchOn(2));
  EXPECT_EQ(stored(), (Dictionary{{"customToggle", true}, {"enableToggle", true}, {"vibrationToggle", false}}));
}

// On a device where the per-app page never opened, its stores still land.
TEST_F(SmartDetailPageTest, MakesTheSettingsFolderItself) {
  openPage();
  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_EQ(stored(), (Dictionary{{"customToggle", true}}));
  EXPECT_TRUE(switchOn(0));
}

TEST_F(SmartDetailPageTest, KeepsTheCountAndKeysOfOthers) {
  makeFolderAt("/var/jb/Library/Application Support/Chimewell-plist");
  store({{"vibrationTimes", "3"}, {"theirKey", PlistValue::Array{1, 2}}, {"NotificationAlert", "Ping.wav"}});
  openPage();
  EXPECT_EQ(rowIn(screen(), 1).detailText, "Ping.wav");
  driver().flipSwitchByText("Enable Custom Sound");
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "3"},
                                  {"theirKey", PlistValue::Array{1, 2}},
                                  {"NotificationAlert", "Ping.wav"},
                                  {"customToggle", true},
                                  {"vibrationToggle", true}}));
}

TEST_F(SmartDetailPageTest, TheSoundRowOpensTheChooserAndOtherRowsOnlyDeselect) {
  addSounds({"Chime.m4r"});
  store({{"NotificationAlert", "Chime.m4r"}});
  openPage();
  driver().tapRow("s0r0");
  driver().tapRow("s2r0");
  EXPECT_EQ(screen().depth, 2);

  driver().tapRowByText("Custom Sound");
  auto chooser = chooserOnTop();
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->listItems(), std::vector<std::string>{"Chime.m4r"});
  EXPECT_EQ(chooser->currentValue(), "Chime.m4r");
  chooser->itemChangedBlock()("Other.caf");
  driver().goBack();
  EXPECT_EQ(rowIn(screen(), 1).detailText, "Other.caf");
}

TEST_F(SmartDetailPageTest, AFailedStoreFlipsTheSwitchBack) {
  openPage();
  writeFileAt(kAppFile, "garbage");
  driver().flipSwitchByText("Enable Custom Vibration");
  // The file cannot be read: the switch shows what it holds, nothing.
  EXPECT_FALSE(switchOn(2));
  EXPECT_EQ(readFileAt(kAppFile), "garbage");
  EXPECT_EQ(plist, nullptr);
}

}  // namespace
