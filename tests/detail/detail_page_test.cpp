// The per-app sound page, driven as a person uses it on a temporary device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "detail/ChimewellDetailView.h"
#include "detail/SoundPageVariables.h"
#include "SoundPageTest.h"

namespace {

namespace fs = std::filesystem;
using Dictionary = PlistValue::Dictionary;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
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
  openPage();
  const Screen shown = screen();
  EXPECT_EQ(shown.navigationBar.title, kAppName);
  std::vector<std::string> footers;
  for (const auto& section : shown.table->sections) footers.push_back(section.footer.value_or(""));
  EXPECT_THAT(footers, ElementsAre("Enable Custom notification sound for Météo+",
                                   "Select the Custom sound (you can import your own custom sounds by placing "
                                   "them in /var/jb/Library/Application Support/Chimewell",
                                   "Enable Custom Vibration pattern for Météo+",
                                   "Set the number of vibrations (there's usually a 1 second delay between each "
                                   "vibration"));
  EXPECT_THAT(rowTexts(shown), ElementsAre("Enable Custom Sound", "Custom Sound", "Enable Custom Vibration", ""));
  EXPECT_FALSE(rowIn(shown, 0).accessorySwitch->on);
  EXPECT_EQ(rowIn(shown, 1).detailText, "Default");
  EXPECT_EQ(rowIn(shown, 1).accessory, ScreenAccessory::disclosure);
  EXPECT_FALSE(rowIn(shown, 2).accessorySwitch->on);
  EXPECT_EQ(rowIn(shown, 3).textFields.at(0).text, "");
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

  // Each opening lists the library and reads the stored choice afresh.
  fs::remove_all(hostPathFor(kSoundLibrary));
  driver().tapRowByText("Custom Sound");
  EXPECT_THAT(chooserOnTop()->listItems(), IsEmpty());
  EXPECT_EQ(chooserOnTop()->currentValue(), "Glass.caf");
}

// Whenever a change does not reach the file, the control and the working
// copy go back to what the file holds, so that no later store writes it
// (why a store is refused, unreadable file or unusable name, is the store's).
TEST_F(DetailPageTest, AChangeThatCannotBeStoredShowsTheStoredStateAgain) {
  writeFileAt(kSettingsFolder, "not a folder");
  openPage();
  driver().flipSwitchByText("Enable Custom Sound");
  typeCount("9\n");
  EXPECT_FALSE(switchOn(0));
  EXPECT_EQ(countField().text, "");
  EXPECT_EQ(plist->count(), 0u);

  fs::remove(hostPathFor(kSettingsFolder));
  makeFolderAt(kSettingsFolder);
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationToggle", true}}));
}

TEST_F(DetailPageTest, ConfiguringTheCountRowAgainKeepsOneFieldAndTheTypedCount) {
  auto page = openPage();
  typeCount("42");
  page->tableViewCellForRowAtIndexPath(page->tableView(), {3, 0});
  ASSERT_EQ(rowIn(screen(), 3).textFields.size(), 1u);
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "42"}}));
  typeCount("0\n");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "420"}}));
}

}  // namespace
