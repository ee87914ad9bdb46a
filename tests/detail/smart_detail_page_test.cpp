// The alternate sound page, created by class name only, beside the per-app
// page whose rows it shares (that suite owns their texts).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "detail/SmartDetailView.h"
#include "detail/SoundPageVariables.h"
#include "SoundPageTest.h"

namespace {

using Dictionary = PlistValue::Dictionary;
using ::testing::IsEmpty;

class SmartDetailPageTest : public SoundPageTest {
 protected:
  std::shared_ptr<SmartDetailView> openPage() { return open<SmartDetailView>("SmartDetailView"); }
};

// Its sound row is the per-app page's own code, tested there.
TEST_F(SmartDetailPageTest, ShowsThreeRowsAndAClosingFooter) {
  const auto countField = fromDate;
  openPage();
  const Screen shown = screen();
  EXPECT_EQ(shown.navigationBar.title, kAppName);
  ASSERT_EQ(shown.table->sections.size(), 4u);
  EXPECT_EQ(shown.table->sections[1].footer, "Select the Custom sound");
  EXPECT_EQ(shown.table->sections[2].footer, "Enable Custom vibration pattern for Météo+");
  EXPECT_THAT(shown.table->sections[3].rows, IsEmpty());
  EXPECT_EQ(shown.table->sections[3].footer,
            "Dial in how many times you would like the phone to vibrate when notification is received "
            "(usually there's a 0.5 sec interval between each vibration");
  for (int section = 0; section < 3; ++section) EXPECT_THAT(rowIn(shown, section).textFields, IsEmpty());
  EXPECT_EQ(fromDate, countField) << "the count field stays the per-app page's";
}

TEST_F(SmartDetailPageTest, ItsSoundSwitchIsItsOwnWhileTheVibrationSwitchIsShared) {
  // On a device where the per-app page never opened, its stores land too.
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

TEST_F(SmartDetailPageTest, KeepsTheCountAndKeysOfOthersAndShowsWhatTheFileHolds) {
  const Dictionary theirs{{"vibrationTimes", "3"}, {"theirKey", PlistValue::Array{1, 2}}};
  store(theirs);
  openPage();
  driver().flipSwitchByText("Enable Custom Sound");
  Dictionary expected = theirs;
  expected["customToggle"] = true;
  EXPECT_EQ(stored(), expected);

  writeFileAt(kAppFile, "garbage");
  driver().flipSwitchByText("Enable Custom Vibration");
  EXPECT_FALSE(switchOn(2));  // the unreadable file holds nothing
  EXPECT_EQ(readFileAt(kAppFile), "garbage");
}

}  // namespace
