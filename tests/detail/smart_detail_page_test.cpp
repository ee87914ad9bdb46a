// The alternate sound page, created by class name only, beside the per-app
// page whose rows it shares (that suite owns their texts).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "detail/SmartDetailView.h"
#include "detail/SoundPageVariables.h"
#include "SoundPageTest.h"

namespace {

using Dictionary = PlistValue::Dictionary;
using ::testing::ElementsAre;
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
  std::vector<std::string> footers;
  for (const auto& section : shown.table->sections) footers.push_back(section.footer.value_or(""));
  EXPECT_THAT(footers, ElementsAre(::testing::_, "Select the Custom sound",  // the first is the per-app page's
                                   "Enable Custom vibration pattern for Météo+",
                                   "Dial in how many times you would like the phone to vibrate when notification "
                                   "is received (usually there's a 0.5 sec interval between each vibration"));
  EXPECT_THAT(shown.table->sections[3].rows, IsEmpty());
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

}  // namespace
