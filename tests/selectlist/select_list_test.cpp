#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "detail/SoundPageTest.h"
#include "dispatch/MainRunLoop.h"
#include "store/SettingsStore.h"
#include "support/TestSounds.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// The chooser pushed over a page standing for the per-app page.
class SelectListTest : public SoundPageTest {
 protected:
  void SetUp() override {
    SoundPageTest::SetUp();
    makeFolderAt(kSettingsDirectory);
  }

  void makeSound(const std::string& name, double seconds = 20) {
    makeTestSound(hostPathFor(soundFilePath(name)), seconds);
  }

  // Pushes a chooser over the opener, as the per-app page does: one list as
  // items and values, the change block noting what it is told.
  std::shared_ptr<QCSelectListTableViewController> openChooser(std::optional<std::vector<std::string>> sounds,
                                                                std::optional<std::string> currentValue,
                                                                bool popView = false) {
    chooser = std::make_shared<QCSelectListTableViewController>(
        UITableViewStyleGrouped, "Custom Sound", sounds, sounds, std::move(currentValue), popView,
        [this](const std::string& value) { told.push_back(value); });
    navigationController()->pushViewControllerAnimated(chooser, true);
    MainRunLoop::main().runDue();
    window()->layoutIfNeeded();
    return chooser;
  }

  std::vector<std::string> checkedRows() {
    std::vector<std::string> checked;
    const Screen shown = screen();
    for (const auto& section : shown.table->sections)
      for (const auto& row : section.rows)
        if (row.accessory == ScreenAccessory::checkmark) checked.push_back(row.text.value_or(""));
    return checked;
  }
  void advance(double seconds) {
    clock().advance(std::chrono::nanoseconds(static_cast<std::int64_t>(seconds * 1e9)));
    MainRunLoop::main().runDue();
  }

  std::shared_ptr<QCSelectListTableViewController> chooser;
  std::vector<std::string> told;
};

TEST_F(SelectListTest, OpensTitledWithTheAppListingItsSoundsWithTheCurrentOneCheckedAndAlwaysAnAddButton) {
  writeDictionaryAt(kAppFile, {{"enableToggle", true}});
  openChooser(std::vector<std::string>{"Sunrise.m4r", "Chime.m4r", "Ping.wav"}, "Chime.m4r");
  const Screen shown = screen();
  EXPECT_EQ(shown.navigationBar.title, kAppName);
  ASSERT_TRUE(shown.navigationBar.rightButton.has_value());
  EXPECT_EQ(shown.navigationBar.rightButton->systemItem, ScreenSystemItem::add);
  EXPECT_THAT(rowTexts(shown), ElementsAre("Sunrise.m4r", "Chime.m4r", "Ping.wav"));
  EXPECT_THAT(checkedRows(), ElementsAre("Chime.m4r"));
  ASSERT_NE(dict1, nullptr);  // the settings, read as the page opened
  EXPECT_EQ(dict1->objectForKey("enableToggle"), PlistValue(true));

  // No library: no rows, but Add all the same.
  driver().goBack();
  openChooser(std::nullopt, std::nullopt);
  EXPECT_THAT(rowTexts(screen()), IsEmpty());
  EXPECT_TRUE(screen().navigationBar.rightButton.has_value());
}

TEST_F(SelectListTest, ATapIsToldFirstThenChecksStoresAndPlaysThreeSecondsFromItsOwnTap) {
  makeSound("Chime.m4r");
  makeSound("Ping.wav");
  openChooser(std::vector<std::string>{"Chime.m4r", "Ping.wav"}, "Chime.m4r");
  driver().tapRowByText("Chime.m4r");
  auto first = audioPlayer1;
  advance(1);
  // When the block is told, nothing else of the tap has happened yet.
  std::optional<std::string> storedWhenTold;
  bool previewWhenTold = true;
  chooser->setItemChangedBlock([&](const std::string& value) {
    told.push_back(value);
    storedWhenTold = readSoundName();
    previewWhenTold = audioPlayer1 != first;
  });
  driver().tapRowByText("Ping.wav");
  EXPECT_THAT(told, ElementsAre("Chime.m4r", "Ping.wav"));
  EXPECT_EQ(storedWhenTold, "Chime.m4r");
  EXPECT_FALSE(previewWhenTold);
  EXPECT_THAT(checkedRows(), ElementsAre("Ping.wav"));
  EXPECT_FALSE(rowWithText(screen(), "Ping.wav")->selected);  // deselected
  EXPECT_EQ(readSoundName(), "Ping.wav");
  auto second = audioPlayer1;
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(first->isPlaying());  // stopped at once by the second tap
  EXPECT_TRUE(second->isPlaying());
  advance(2.9);  // the first tap's three seconds are over, not the second's
  EXPECT_TRUE(second->isPlaying());
  advance(0.1);  // the second tap's are
  EXPECT_FALSE(second->isPlaying());

  // The checked row again: a new preview from the start, told again.
  driver().tapRowByText("Ping.wav");
  EXPECT_NE(audioPlayer1, second);
  EXPECT_TRUE(audioPlayer1->isPlaying());
  EXPECT_THAT(told, ElementsAre("Chime.m4r", "Ping.wav", "Ping.wav"));
}

TEST_F(SelectListTest, TheCheckmarkStaysOnTheChosenRowAfterScrollingAndReload) {
  std::vector<std::string> sounds;
  for (int i = 0; i < 40; ++i) sounds.push_back("Sound " + std::to_string(i) + ".caf");
  openChooser(sounds, "Sound 30.caf");
  driver().setViewportHeight(300);
  driver().tapRowByText("Sound 2.caf");
  EXPECT_THAT(checkedRows(), ElementsAre("Sound 2.caf"));
  EXPECT_EQ(audioPlayer1, nullptr);  // no such file: no preview
  EXPECT_EQ(readSoundName(), "Sound 2.caf");
  driver().scrollTo(1000);
  EXPECT_THAT(checkedRows(), IsEmpty());  // row 30, current when the page opened, is not checked
  driver().scrollTo(0);
  EXPECT_THAT(checkedRows(), ElementsAre("Sound 2.caf"));
  chooser->tableView()->reloadData();
  EXPECT_THAT(checkedRows(), ElementsAre("Sound 2.caf"));
}

TEST_F(SelectListTest, LeavingThePageStopsThePreviewBackOrPopOnSelect) {
  makeSound("Chime.m4r");
  openChooser(std::vector<std::string>{"Chime.m4r"}, std::nullopt);
  driver().tapRowByText("Chime.m4r");
  ASSERT_TRUE(audioPlayer1->isPlaying());
  driver().goBack();
  EXPECT_FALSE(audioPlayer1->isPlaying());

  openChooser(std::vector<std::string>{"Chime.m4r"}, std::nullopt, /*popView=*/true);
  driver().tapRowByText("Chime.m4r");
  EXPECT_EQ(screen().depth, 1);
  ASSERT_NE(audioPlayer1, nullptr);
  EXPECT_FALSE(audioPlayer1->isPlaying());
  EXPECT_EQ(readSoundName(), "Chime.m4r");
}

TEST_F(SelectListTest, AChoiceThatCannotBeStoredShowsWhatIsStoredAndStillPlays) {
  makeSound("Chime.m4r");
  // Unreadable settings: nothing is set, the file stays as it is (a failed
  // write on a failing disk is the faults suite's).
  writeFileAt(kAppFile, "not a property list");
  openChooser(std::vector<std::string>{"Chime.m4r", "Ping.wav"}, std::nullopt);
  driver().tapRowByText("Chime.m4r");
  EXPECT_THAT(checkedRows(), IsEmpty());
  EXPECT_EQ(chooser->currentValue(), std::nullopt);
  EXPECT_THAT(told, ElementsAre("Chime.m4r", kNoStoredSoundText));
  EXPECT_EQ(readFileAt(kAppFile), "not a property list");
  ASSERT_NE(audioPlayer1, nullptr);
  EXPECT_TRUE(audioPlayer1->isPlaying());
  EXPECT_THAT(logMessages(), ElementsAre(HasSubstr(kAppFile)));
}

}  // namespace
