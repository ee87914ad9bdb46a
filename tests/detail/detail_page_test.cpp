// The per-app sound page, driven as a person uses it on a temporary device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "detail/ChimewellDetailView.h"
#include "detail/SoundPageVariables.h"
#include "SoundPageTest.h"
#include "uikit/UITableViewCell.h"

namespace {

namespace fs = std::filesystem;
using Dictionary = PlistValue::Dictionary;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

constexpr const char* kSettingsFolder = "/var/jb/Library/Application Support/Chimewell-plist";
constexpr const char* kCountField = "s3r0/field0";

class DetailPageTest : public SoundPageTest {
 protected:
  std::shared_ptr<ChimewellDetailView> openPage() { return open<ChimewellDetailView>("ChimewellDetailView"); }
  std::string countShown() { return rowIn(screen(), 3).textFields.at(0).text; }
  void typeCount(const std::string& text) {
    driver().tapTextField(kCountField);
    driver().typeText(text);
  }
};

TEST_F(DetailPageTest, FirstVisitShowsFourSectionsWithTheirTextsFootersAndNothingStored) {
  auto page = openPage();
  const Screen shown = screen();
  EXPECT_EQ(shown.pageClass, "ChimewellDetailView");
  EXPECT_EQ(shown.navigationBar.title, kAppName);
  EXPECT_EQ(shown.table->style, 1);
  ASSERT_EQ(shown.table->sections.size(), 4u);
  EXPECT_EQ(shown.table->sections[0].footer, "Enable Custom notification sound for Météo+");
  EXPECT_EQ(shown.table->sections[1].footer,
            "Select the Custom sound (you can import your own custom sounds by placing them in "
            "/var/jb/Library/Application Support/Chimewell");
  EXPECT_EQ(shown.table->sections[2].footer, "Enable Custom Vibration pattern for Météo+");
  EXPECT_EQ(shown.table->sections[3].footer,
            "Set the number of vibrations (there's usually a 1 second delay between each vibration");

  const ScreenRow& sound = rowIn(shown, 0);
  EXPECT_EQ(sound.text, "Enable Custom Sound");
  EXPECT_EQ(sound.style, 0);
  EXPECT_FALSE(sound.accessorySwitch->on);
  const ScreenRow& chosen = rowIn(shown, 1);
  EXPECT_EQ(chosen.text, "Custom Sound");
  EXPECT_EQ(chosen.detailText, "Default");
  EXPECT_EQ(chosen.style, 1);
  EXPECT_EQ(chosen.accessory, 1);
  const ScreenRow& vibration = rowIn(shown, 2);
  EXPECT_EQ(vibration.text, "Enable Custom Vibration");
  EXPECT_FALSE(vibration.accessorySwitch->on);
  const ScreenRow& count = rowIn(shown, 3);
  EXPECT_EQ(count.text, std::nullopt);
  ASSERT_EQ(count.textFields.size(), 1u);
  const ScreenTextField& field = count.textFields[0];
  EXPECT_EQ(field.text, "");
  EXPECT_EQ(field.placeholder, std::nullopt);
  EXPECT_EQ(field.alignment, 1);
  EXPECT_TRUE(field.highlighted);
  EXPECT_EQ(std::vector<double>({field.x, field.y, field.width, field.height}),
            std::vector<double>({33, 6, 259, 31}));

  // The controls are the process-wide ones; cells carry the fixed identifiers.
  auto table = page->tableView();
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->accessoryView(), switchview);
  EXPECT_EQ(table->cellForRowAtIndexPath({2, 0})->accessoryView(), switchview123);
  EXPECT_EQ(fromDate->superview(), table->cellForRowAtIndexPath({3, 0})->contentView());
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->reuseIdentifier(), "Cell 0");
  EXPECT_EQ(table->cellForRowAtIndexPath({1, 0})->reuseIdentifier(), "SectionCellIdentifier");
  // Sections outside the four have nothing.
  for (long section : {-1L, 4L, 99L}) {
    EXPECT_EQ(page->tableViewNumberOfRowsInSection(table, section), 0);
    EXPECT_EQ(page->tableViewTitleForFooterInSection(table, section), std::nullopt);
    EXPECT_EQ(page->tableViewCellForRowAtIndexPath(table, {section, 0}), nullptr);
  }

  // The view load made the settings directory and wrote no file.
  EXPECT_TRUE(fs::is_directory(hostPathFor(kSettingsFolder)));
  EXPECT_FALSE(fs::exists(hostPathFor(kAppFile)));
  EXPECT_THAT(logMessages(), IsEmpty());
}

TEST_F(DetailPageTest, SwitchesStoreTheirStateAtOnceAndOffIsStoredAsFalse) {
  openPage();
  driver().flipSwitchByText("Enable Custom Sound");
  // The first change makes a file of that key alone, in Apple's XML form.
  EXPECT_EQ(readFileAt(kAppFile), xmlPropertyListData(Dictionary{{"enableToggle", true}}));
  EXPECT_TRUE(switchOn(0));

  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_EQ(stored(), (Dictionary{{"enableToggle", false}}));
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_EQ(stored(), (Dictionary{{"enableToggle", false}, {"vibrationToggle", true}}));

  reopen("ChimewellDetailView");
  EXPECT_FALSE(switchOn(0));
  EXPECT_TRUE(switchOn(2));
}

TEST_F(DetailPageTest, TheCountIsStoredAsTypedOnlyWhenEditingEnds) {
  openPage();
  typeCount("3x");
  EXPECT_FALSE(fs::exists(hostPathFor(kAppFile)));  // nothing while typing

  // A pasted line feed ends editing and is not inserted.
  driver().typeText("\nignored");
  EXPECT_FALSE(rowIn(screen(), 3).textFields[0].editing);
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "3x"}}));
  reopen("ChimewellDetailView");
  EXPECT_EQ(countShown(), "3x");
  EXPECT_EQ(rowIn(screen(), 3).textFields[0].alignment, 1);

  // Clearing it stores an empty text, not a removal.
  driver().tapTextField(kCountField);
  driver().deleteBackward();
  driver().deleteBackward();
  driver().endEditing();
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", ""}}));
  reopen("ChimewellDetailView");
  EXPECT_EQ(countShown(), "");
}

TEST_F(DetailPageTest, TheReturnKeyKeepsEditingAndGoingBackStoresTheCount) {
  openPage();
  typeCount("7");
  driver().pressReturn();
  EXPECT_TRUE(rowIn(screen(), 3).textFields[0].editing);
  EXPECT_FALSE(fs::exists(hostPathFor(kAppFile)));

  reopen("ChimewellDetailView");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "7"}}));
  EXPECT_EQ(countShown(), "7");
}

TEST_F(DetailPageTest, StoredValuesShowAsText) {
  store({{"vibrationTimes", 3}, {"enableToggle", "YES"}, {"vibrationToggle", 0}});
  openPage();
  EXPECT_EQ(countShown(), "3");
  EXPECT_TRUE(switchOn(0));
  EXPECT_FALSE(switchOn(2));
  store({{"vibrationTimes", 2.5}});
  reopen("ChimewellDetailView");
  EXPECT_EQ(countShown(), "2.5");
}

TEST_F(DetailPageTest, TheSoundRowOpensTheChooserAndAChoiceShowsAtOnceAndSurvivesLaterStores) {
  addSounds({"Glass.caf", "Ping.wav", ".hidden"});
  openPage();
  driver().tapRowByText("Custom Sound");
  auto chooser = chooserOnTop();
  ASSERT_NE(chooser, nullptr);
  EXPECT_TRUE(navigationController()->lastTransitionAnimated());
  EXPECT_THAT(chooser->listItems(), UnorderedElementsAre("Glass.caf", "Ping.wav", ".hidden"));
  EXPECT_EQ(chooser->listValues(), chooser->listItems());
  EXPECT_EQ(chooser->currentValue(), std::nullopt);
  EXPECT_FALSE(chooser->popView());

  // The chooser stores the choice itself and tells the page through the block.
  store({{"NotificationAlert", "Glass.caf"}});
  chooser->itemChangedBlock()("Glass.caf");
  driver().goBack();
  EXPECT_EQ(rowIn(screen(), 1).detailText, "Glass.caf");
  EXPECT_EQ(screen().table->sections[1].rows[0].selected, false);

  driver().flipSwitchByText("Enable Custom Sound");
  typeCount("2\n");
  EXPECT_EQ(stored(), (Dictionary{{"NotificationAlert", "Glass.caf"}, {"enableToggle", true}, {"vibrationTimes", "2"}}));

  driver().tapRowByText("Custom Sound");
  EXPECT_EQ(chooserOnTop()->currentValue(), "Glass.caf");
}

TEST_F(DetailPageTest, TheSoundRowReadsTheFileEveryTime) {
  store({{"NotificationAlert", ""}});
  openPage();
  // An empty stored name is a name: only an absent one reads "Default".
  EXPECT_EQ(rowIn(screen(), 1).detailText, "");

  // Without a sound library the chooser opens with no rows.
  driver().tapRowByText("Custom Sound");
  ASSERT_NE(chooserOnTop(), nullptr);
  EXPECT_THAT(chooserOnTop()->listItems(), IsEmpty());
  EXPECT_EQ(chooserOnTop()->currentValue(), "");
}

TEST_F(DetailPageTest, ACountBeingTypedIsStoredBeforeTheChooserOpens) {
  openPage();
  typeCount("5");
  driver().tapRowByText("Custom Sound");
  ASSERT_NE(chooserOnTop(), nullptr);
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "5"}}));
}

TEST_F(DetailPageTest, KeysOfOthersAndABinaryFileSurviveEveryStore) {
  // A binary property list of {NotificationAlert = Glass.caf, enableToggle =
  // true, theirKey = kept, vibrationTimes = "4"}, as another tool may leave it.
  const std::string binary(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd4\x01\x02\x03\x04\x05\x06\x07\x08\x5f\x10\x11\x4e\x6f\x74\x69\x66\x69"
      "\x63\x61\x74\x69\x6f\x6e\x41\x6c\x65\x72\x74\x5c\x65\x6e\x61\x62\x6c\x65\x54\x6f\x67\x67\x6c\x65\x58\x74"
      "\x68\x65\x69\x72\x4b\x65\x79\x5e\x76\x69\x62\x72\x61\x74\x69\x6f\x6e\x54\x69\x6d\x65\x73\x59\x47\x6c\x61"
      "\x73\x73\x2e\x63\x61\x66\x09\x54\x6b\x65\x70\x74\x51\x34\x08\x11\x25\x32\x3b\x4a\x54\x55\x5a\x00\x00\x00"
      "\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x09\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x5c",
      133);
  makeFolderAt(kSettingsFolder);
  writeFileAt(kAppFile, binary);
  openPage();
  EXPECT_TRUE(switchOn(0));
  EXPECT_EQ(countShown(), "4");
  EXPECT_EQ(rowIn(screen(), 1).detailText, "Glass.caf");

  driver().flipSwitchByText("Enable Custom Vibration");
  const Dictionary expected{
      {"NotificationAlert", "Glass.caf"}, {"enableToggle", true}, {"theirKey", "kept"}, {"vibrationTimes", "4"},
      {"vibrationToggle", true}};
  EXPECT_EQ(readFileAt(kAppFile), xmlPropertyListData(expected));

  // A key added while the page is open survives the next store too.
  auto onDisk = *stored();
  onDisk["addedLater"] = 1;
  store(onDisk);
  driver().flipSwitchByText("Enable Custom Sound");
  typeCount("6\n");
  EXPECT_EQ(stored()->at("addedLater"), PlistValue(1));
  EXPECT_EQ(stored()->at("theirKey"), PlistValue("kept"));
  EXPECT_EQ(stored()->at("enableToggle"), PlistValue(false));
  EXPECT_EQ(stored()->at("vibrationTimes"), PlistValue("46"));  // typed after the 4 shown
}

TEST_F(DetailPageTest, TapsOnRowsOtherThanTheSoundRowOnlyDeselect) {
  openPage();
  for (const char* row : {"s0r0", "s2r0", "s3r0"}) {
    driver().tapRow(row);
    EXPECT_EQ(screen().depth, 2) << row;
    EXPECT_EQ(navigationController()->topViewController()->title(), kAppName);
  }
  const Screen shown = screen();
  for (const auto& section : shown.table->sections) EXPECT_FALSE(section.rows.at(0).selected);
  EXPECT_FALSE(fs::exists(hostPathFor(kAppFile)));
}

TEST_F(DetailPageTest, APlainFileAtTheSettingsFolderIsLoggedAndThePageStillOpens) {
  writeFileAt(kSettingsFolder, "not a folder");
  openPage();
  EXPECT_THAT(logMessages(), Contains(StartsWith("Error creating directory path: ")));
  EXPECT_EQ(rowIn(screen(), 0).text, "Enable Custom Sound");
  EXPECT_EQ(readFileAt(kSettingsFolder), "not a folder");
}

// Whenever a change does not reach the file, the control and the working
// copy go back to what the file holds, so a later store cannot write it.
TEST_F(DetailPageTest, AStoreThatFailsPutsTheControlsBackToWhatTheFileHolds) {
  openPage();
  fs::remove_all(hostPathFor(kSettingsFolder));  // every write fails now
  clearLogMessages();
  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_FALSE(switchOn(0));
  typeCount("9\n");
  EXPECT_EQ(countShown(), "");
  ASSERT_EQ(logMessages().size(), 2u);
  EXPECT_THAT(logMessages()[0], HasSubstr(kAppFile));
  EXPECT_EQ(plist->count(), 0u);

  makeFolderAt(kSettingsFolder);
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationToggle", true}}));
}

TEST_F(DetailPageTest, AnUnreadableFileShowsNothingAndIsNeverWritten) {
  makeFolderAt(kSettingsFolder);
  writeFileAt(kAppFile, "<plist><dict><key>cut");
  openPage();
  driver().flipSwitchByText("Enable Custom Sound");
  EXPECT_FALSE(switchOn(0));
  typeCount("4\n");
  EXPECT_EQ(countShown(), "");
  EXPECT_EQ(rowIn(screen(), 1).detailText, "Default");
  EXPECT_EQ(readFileAt(kAppFile), "<plist><dict><key>cut");
  EXPECT_EQ(plist, nullptr);
}

TEST_F(DetailPageTest, AnUnusableIdentifierStoresNothingAnywhere) {
  writeDictionaryAt("/var/jb/Library/Application Support/victim.plist", {{"mine", true}});
  handOff(kAppName, "../victim");
  openPage();
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_FALSE(switchOn(2));
  EXPECT_EQ(readDictionaryAt("/var/jb/Library/Application Support/victim.plist"), (Dictionary{{"mine", true}}));
  EXPECT_TRUE(fs::is_empty(hostPathFor(kSettingsFolder)));
}

TEST_F(DetailPageTest, ConfiguringTheCountRowAgainKeepsOneFieldAndTheTypedCount) {
  auto page = openPage();
  typeCount("42");
  auto table = page->tableView();
  auto cell = page->tableViewCellForRowAtIndexPath(table, {3, 0});
  EXPECT_EQ(cell, table->cellForRowAtIndexPath({3, 0}));
  ASSERT_EQ(rowIn(screen(), 3).textFields.size(), 1u);
  EXPECT_EQ(fromDate->superview(), cell->contentView());
  EXPECT_EQ(countShown(), "42");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "42"}}));

  // The new field takes typing and stores as the first did.
  typeCount("0\n");
  EXPECT_EQ(stored(), (Dictionary{{"vibrationTimes", "420"}}));
}

}  // namespace
