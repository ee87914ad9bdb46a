// The per-app sound page, driven as a person uses it on a temporary device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "detail/ChimewellDetailView.h"
#include "detail/SoundPageVariables.h"
#include "SoundPageTest.h"
#include "support/AppListFixtures.h"

namespace {

namespace fs = std::filesystem;
using Dictionary = PlistValue::Dictionary;
using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

constexpr const char* kSettingsFolder = "/var/jb/Library/Application Support/Chimewell-plist";

class DetailPageTest : public SoundPageTest {
 protected:
  std::shared_ptr<ChimewellDetailView> openPage() { return open<ChimewellDetailView>("ChimewellDetailView"); }
  const ScreenTextField countField() { return rowIn(screen(), 3).textFields.at(0); }
  void typeCount(const std::string& text) {
    driver().tapTextField("s3r0/field0");
    driver().typeText(text);
  }
};

TEST_F(DetailPageTest, FirstVisitShowsNothingStoredAndTheFirstFlipWritesThatKeyAlone) {
  auto page = openPage();
  const Screen shown = screen();
  EXPECT_EQ(shown.navigationBar.title, kAppName);
  ASSERT_EQ(shown.table->sections.size(), 4u);
  EXPECT_EQ(shown.table->sections[0].footer, "Enable Custom notification sound for Météo+");
  EXPECT_EQ(shown.table->sections[1].footer,
            "Select the Custom sound (you can import your own custom sounds by placing them in "
            "/var/jb/Library/Application Support/Chimewell");
  EXPECT_EQ(shown.table->sections[2].footer, "Enable Custom Vibration pattern for Météo+");
  EXPECT_EQ(shown.table->sections[3].footer,
            "Set the number of vibrations (there's usually a 1 second delay between each vibration");
  EXPECT_EQ(rowIn(shown, 0).text, "Enable Custom Sound");
  EXPECT_FALSE(rowIn(shown, 0).accessorySwitch->on);
  EXPECT_EQ(rowIn(shown, 1).text, "Custom Sound");
  EXPECT_EQ(rowIn(shown, 1).detailText, "Default");
  EXPECT_EQ(rowIn(shown, 1).accessory, ScreenAccessory::disclosure);
  EXPECT_EQ(rowIn(shown, 2).text, "Enable Custom Vibration");
  EXPECT_FALSE(rowIn(shown, 2).accessorySwitch->on);
  ASSERT_EQ(rowIn(shown, 3).textFields.size(), 1u);
  EXPECT_EQ(rowIn(shown, 3).textFields[0].text, "");
  EXPECT_EQ(rowIn(shown, 3).textFields[0].alignment, ScreenTextAlignment::center);
  EXPECT_TRUE(rowIn(shown, 3).textFields[0].highlighted);
  EXPECT_EQ(page->tableViewCellForRowAtIndexPath(page->tableView(), {4, 0}), nullptr);
  EXPECT_FALSE(fs::exists(hostPathFor(kAppFile)));

  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_EQ(readFileAt(kAppFile), xmlPropertyListData(Dictionary{{"enableToggle", true}}));
  driver().flipSwitchByText("Enable Custom Sound");
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_EQ(stored(), (Dictionary{{"enableToggle", false}, {"vibrationToggle", true}}));  // off is stored
  reopen("ChimewellDetailView");
  EXPECT_FALSE(switchOn(0));
  EXPECT_TRUE(switchOn(2));
}

TEST_F(DetailPageTest, TheCountIsStoredAsTypedWhenEditingEnds) {
  openPage();
  typeCount("3x");
  EXPECT_FALSE(fs::exists(hostPathFor(kAppFile)));  // nothing while typing
  driver().typeText("\nignored");  // a pasted line feed ends editing, uninserted
  EXPECT_FALSE(countField().editing);
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "3x"}}));
  reopen("ChimewellDetailView");
  EXPECT_EQ(countField().text, "3x");

  // The return key reaches the page's line-feed filter: cleared, it stores an empty text.
  driver().tapTextField("s3r0/field0");
  driver().deleteBackward();
  driver().deleteBackward();
  driver().pressReturn();
  EXPECT_FALSE(countField().editing);
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", ""}}));

  // A count still being typed is stored before the chooser reads the file.
  typeCount("5");
  driver().tapRowByText("Custom Sound");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "5"}}));

  store({{"vibrationTimes", 2.5}, {"enableToggle", "YES"}});
  reopen("ChimewellDetailView");
  EXPECT_EQ(countField().text, "2.5");
  EXPECT_TRUE(switchOn(0));
  store({{"vibrationTimes", 3}});
  reopen("ChimewellDetailView");
  EXPECT_EQ(countField().text, "3");
}

TEST_F(DetailPageTest, TheSoundRowOpensTheChooserWhoseChoiceShowsAtOnceAndStays) {
  addSounds({"Glass.caf", ".hidden"});
  store({{"NotificationAlert", ""}});
  openPage();
  EXPECT_EQ(rowIn(screen(), 1).detailText, "");  // only an absent name reads "Default"
  for (const char* row : {"s0r0", "s2r0", "s3r0"}) driver().tapRow(row);
  EXPECT_EQ(screen().depth, 2);  // only deselected

  driver().tapRowByText("Custom Sound");
  auto chooser = chooserOnTop();
  ASSERT_NE(chooser, nullptr);
  EXPECT_THAT(chooser->listItems(), UnorderedElementsAre("Glass.caf", ".hidden"));
  EXPECT_EQ(chooser->currentValue(), "");
  driver().tapRowByText("Glass.caf");
  EXPECT_EQ(stored(), (Dictionary{{"NotificationAlert", "Glass.caf"}}));
  driver().goBack();
  EXPECT_EQ(rowIn(screen(), 1).detailText, "Glass.caf");
  EXPECT_FALSE(rowIn(screen(), 1).selected);

  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_EQ(stored(), (Dictionary{{"NotificationAlert", "Glass.caf"}, {"enableToggle", true}}));
  fs::remove_all(hostPathFor(kSoundLibrary));
  driver().tapRowByText("Custom Sound");
  EXPECT_THAT(chooserOnTop()->listItems(), IsEmpty());
  EXPECT_EQ(chooserOnTop()->currentValue(), "Glass.caf");
}

TEST_F(DetailPageTest, ABinaryFileIsRewrittenAsXmlKeepingEveryKey) {
  // In binary form, as another tool may leave it.
  writeFileAt(kAppFile, binaryPropertyListData({{"NotificationAlert", "Glass.caf"}, {"enableToggle", true},
                                                {"theirKey", "kept"}, {"vibrationTimes", "4"}}));
  openPage();
  EXPECT_TRUE(switchOn(0));
  EXPECT_EQ(countField().text, "4");
  driver().flipSwitchByText("Enable Custom Vibration");
  Dictionary expected{{"NotificationAlert", "Glass.caf"}, {"enableToggle", true}, {"theirKey", "kept"},
                      {"vibrationTimes", "4"}, {"vibrationToggle", true}};
  EXPECT_EQ(readFileAt(kAppFile), xmlPropertyListData(expected));

  expected["addedLater"] = 1;  // by another party while the page is open
  store(expected);
  driver().flipSwitchByText("Enable Custom Sound");
  typeCount("6\n");
  expected["enableToggle"] = false;
  expected["vibrationTimes"] = "46";  // typed after the 4 shown
  EXPECT_EQ(stored(), expected);
}

// Whenever a change does not reach the file, the control and the working
// copy go back to what the file holds, so that no later store writes it.
TEST_F(DetailPageTest, AChangeThatCannotBeStoredShowsTheStoredStateAgain) {
  writeFileAt(kSettingsFolder, "not a folder");
  openPage();
  EXPECT_THAT(logMessages(), Contains(StartsWith("Error creating directory path: ")));
  driver().flipSwitchByText("Enable Custom Sound");
  typeCount("9\n");
  EXPECT_FALSE(switchOn(0));
  EXPECT_EQ(countField().text, "");
  EXPECT_EQ(plist->count(), 0u);

  fs::remove(hostPathFor(kSettingsFolder));
  makeFolderAt(kSettingsFolder);
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationToggle", true}}));

  writeFileAt(kAppFile, "<plist><dict><key>cut");  // unreadable: never written
  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_FALSE(switchOn(0));
  EXPECT_EQ(readFileAt(kAppFile), "<plist><dict><key>cut");
  EXPECT_EQ(plist, nullptr);

  handOff(kAppName, "../victim");  // no usable identifier: no file anywhere
  writeDictionaryAt("/var/jb/Library/Application Support/victim.plist", {{"mine", true}});
  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_FALSE(switchOn(0));
  EXPECT_EQ(readDictionaryAt("/var/jb/Library/Application Support/victim.plist"), (Dictionary{{"mine", true}}));
}

TEST_F(DetailPageTest, ConfiguringTheCountRowAgainKeepsOneFieldAndTheTypedCount) {
  auto page = openPage();
  typeCount("42");
  auto cell = page->tableViewCellForRowAtIndexPath(page->tableView(), {3, 0});
  ASSERT_EQ(rowIn(screen(), 3).textFields.size(), 1u);
  EXPECT_EQ(fromDate->superview(), cell->contentView());
  EXPECT_EQ(countField().text, "42");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "42"}}));
  typeCount("0\n");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "420"}}));
}

}  // namespace
