#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "BuildPaths.h"
#include "applist/ApplistTableViewController.h"
#include "foundation/NSBundle.h"
#include "foundation/NSError.h"
#include "mail/MFMailComposeViewController.h"
#include "root/ChimewellPreferencesController.h"
#include "support/PageTest.h"
#include "uikit/UIApplication.h"
#include "uikit/UIImage.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UIView.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class RootPageTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    page = showNewPage<ChimewellPreferencesController>();
  }
  void TearDown() override {
    MFMailComposeViewController::setCanSendMail(false);
    PageTest::TearDown();
  }

  std::shared_ptr<MFMailComposeViewController> presentedComposer() const {
    return std::dynamic_pointer_cast<MFMailComposeViewController>(
        navigationController()->presentedViewController());
  }
  static std::vector<std::optional<std::string>> iconNames(const Screen& shown) {
    std::vector<std::optional<std::string>> names;
    for (const auto& section : shown.table->sections)
      for (const auto& row : section.rows)
        names.push_back(row.image ? row.image->name() : std::nullopt);
    return names;
  }

  std::shared_ptr<ChimewellPreferencesController> page;
};

TEST_F(RootPageTest, ShowsThreeTitledSectionsWithFootersIconsAndIndicators) {
  const Screen shown = screen();
  EXPECT_EQ(shown.navigationBar.title, "Chimewell");
  EXPECT_EQ(shown.table->style, ScreenTableStyle::grouped);
  EXPECT_FALSE(shown.table->separators);
  ASSERT_EQ(shown.table->sections.size(), 3u);
  EXPECT_EQ(shown.table->sections[0].footer, "Configure global settings");
  EXPECT_EQ(shown.table->sections[1].footer, "Report a problem / bug or a feature");
  EXPECT_EQ(shown.table->sections[2].footer, "Find me on Twitter");
  EXPECT_THAT(rowTexts(shown), ElementsAre("Configure Applications", "Report", "Follow on Twitter"));
  EXPECT_THAT(iconNames(shown), ElementsAre("global", "report", "twitter"));
  for (const auto& section : shown.table->sections) {
    ASSERT_EQ(section.rows.size(), 1u);
    const ScreenRow& row = section.rows[0];
    EXPECT_EQ(row.accessory, ScreenAccessory::disclosure);
    // Our own artwork, 29 points square, in the variant for the 3x screen.
    ASSERT_NE(row.image, nullptr);
    EXPECT_EQ(row.image->width(), 29);
    EXPECT_EQ(row.image->scale(), 3);
  }
}

// Sections past the three read no footer rather than past the list.
TEST_F(RootPageTest, AnswersTheTableForAnySectionNumber) {
  auto table = page->tableView();
  for (long section : {-2L, -1L, 3L, 1000L}) {
    EXPECT_EQ(page->tableViewNumberOfRowsInSection(table, section), 1) << section;
    EXPECT_EQ(page->tableViewTitleForFooterInSection(table, section), std::nullopt) << section;
  }
}

TEST_F(RootPageTest, ReusedCellsKeepTheIndicatorAndShowTheirOwnRow) {
  auto table = page->tableView();
  driver().setViewportHeight(10);  // one row at a time, with what the table holds around it
  driver().scrollTo(table->rectForRowAtIndexPath({0, 0}).origin.y);
  const auto firstCell = table->cellForRowAtIndexPath({0, 0});
  ASSERT_NE(firstCell, nullptr);
  const std::vector<std::string> titles{"Configure Applications", "Report", "Follow on Twitter"};
  const std::vector<std::string> icons{"global", "report", "twitter"};
  for (long section = 1; section < 3; ++section) {
    driver().scrollTo(table->rectForRowAtIndexPath({section, 0}).origin.y);
    auto shown = screen();
    ASSERT_EQ(rowTexts(shown), std::vector<std::string>{titles[section]});
    const ScreenRow row = *rowWithText(shown, titles[section]);
    EXPECT_EQ(row.accessory, ScreenAccessory::disclosure);
    ASSERT_NE(row.image, nullptr);
    EXPECT_EQ(row.image->name(), icons[section]);
  }
  // The premise: the single cell went round the rows.
  EXPECT_EQ(table->cellForRowAtIndexPath({2, 0}), firstCell);
}

// Rows past the list of names show no icon; so do rows whose image is missing.
TEST_F(RootPageTest, RowsWithoutTheirIconStillShowAndWork) {
  page->setCellIconNames({"twitter"});
  page->tableView()->reloadData();
  EXPECT_THAT(iconNames(screen()), ElementsAre("twitter", std::nullopt, std::nullopt));

  const auto empty = deviceRootPath() / "host" / "Empty.app";
  std::filesystem::create_directories(empty);
  NSBundle::setMainBundle(NSBundle::bundleWithPath(empty));
  page->tableView()->reloadData();
  const Screen shown = screen();
  EXPECT_THAT(iconNames(shown), ElementsAre(std::nullopt, std::nullopt, std::nullopt));
  EXPECT_THAT(rowTexts(shown), ElementsAre("Configure Applications", "Report", "Follow on Twitter"));
  driver().tapRowByText("Follow on Twitter");
  EXPECT_EQ(openedLinks().size(), 1u);
}

TEST_F(RootPageTest, ConfigureApplicationsPushesANewPickerAtEveryTap) {
  driver().tapRowByText("Configure Applications");
  Screen shown = screen();
  EXPECT_EQ(shown.depth, 2);
  EXPECT_EQ(shown.pageClass, "ApplistTableViewController");
  EXPECT_TRUE(lastTransitionAnimated());
  const auto firstPicker = navigationController()->topViewController();

  driver().goBack();
  shown = screen();
  EXPECT_EQ(shown.depth, 1);
  EXPECT_FALSE(rowWithText(shown, "Configure Applications")->selected);
  driver().tapRowByText("Configure Applications");
  const auto secondPicker = navigationController()->topViewController();
  EXPECT_NE(std::dynamic_pointer_cast<ApplistTableViewController>(secondPicker), nullptr);
  EXPECT_NE(secondPicker, firstPicker);
}

TEST_F(RootPageTest, ReportWithoutAMailAccountOnlyDeselects) {
  driver().tapRowByText("Report");
  const Screen shown = screen();
  EXPECT_FALSE(shown.mail.has_value());
  EXPECT_FALSE(shown.alert.has_value());
  EXPECT_EQ(shown.depth, 1);
  EXPECT_FALSE(rowWithText(shown, "Report")->selected);
}

TEST_F(RootPageTest, ReportPresentsTheAddressedProblemReport) {
  MFMailComposeViewController::setCanSendMail(true);
  driver().tapRowByText("Report");
  const Screen shown = screen();
  ASSERT_TRUE(shown.mail.has_value());
  EXPECT_THAT(shown.mail->toRecipients, ElementsAre("support@chimewell.app"));
  EXPECT_EQ(shown.mail->subject, "Chimewell tweak issue");
  EXPECT_EQ(shown.mail->body, "Hello! I'm having the following issue with Chimewell: ");
  EXPECT_FALSE(shown.mail->isHTML);
  EXPECT_FALSE(rowWithText(shown, "Report")->selected);
  EXPECT_TRUE(lastTransitionAnimated());
}

TEST_F(RootPageTest, TheReportIsDismissedAnimatedWhateverTheResult) {
  MFMailComposeViewController::setCanSendMail(true);
  const std::vector<std::function<void(MFMailComposeViewController&)>> endings{
      [this](MFMailComposeViewController&) { driver().cancelMail(); },
      [](MFMailComposeViewController& composer) { composer.performUserAction("mail/save"); },
      [this](MFMailComposeViewController&) { driver().sendMail(); },
      [](MFMailComposeViewController& composer) {
        composer.failWithError(std::make_shared<NSError>(NSCocoaErrorDomain, 1, "offline"));
      },
  };
  for (std::size_t ending = 0; ending < endings.size(); ++ending) {
    driver().tapRowByText("Report");
    auto composer = presentedComposer();
    ASSERT_NE(composer, nullptr) << ending;
    endings[ending](*composer);
    EXPECT_FALSE(screen().mail.has_value()) << ending;
    EXPECT_EQ(composer->presentingViewController(), nullptr) << ending;
    EXPECT_TRUE(lastTransitionAnimated()) << ending;
    EXPECT_EQ(screen().depth, 1);
  }
  // Only sending hands the message on.
  ASSERT_EQ(openedLinks().size(), 1u);
  EXPECT_THAT(openedLinks()[0], HasSubstr("mailto:support@chimewell.app?subject=Chimewell%20tweak%20issue"));
  EXPECT_TRUE(logMessages().empty());
}

TEST_F(RootPageTest, FollowHandsTheProfileLinkToTheLinkOpenerAtEveryTap) {
  driver().tapRowByText("Follow on Twitter");
  driver().tapRowByText("Follow on Twitter");
  EXPECT_THAT(openedLinks(), ElementsAre("https://twitter.com/chimewell", "https://twitter.com/chimewell"));
  EXPECT_EQ(screen().depth, 1);
  EXPECT_FALSE(rowWithText(screen(), "Follow on Twitter")->selected);
}

TEST_F(RootPageTest, ThePagesComeByNameFromTheBuiltBundle) {
  auto bundle = NSBundle::bundleWithPath(CHIMEWELL_BUNDLE_DIR);
  ASSERT_NE(bundle, nullptr);
  std::string error;
  ASSERT_TRUE(bundle->load(&error)) << error;
  ASSERT_EQ(bundle->principalClassName(), "ChimewellPreferencesController");
  EXPECT_NE(std::dynamic_pointer_cast<ChimewellPreferencesController>(
                NSCreateInstance(*bundle->principalClassName())),
            nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<ApplistTableViewController>(
                NSCreateInstance("ApplistTableViewController")),
            nullptr);
  // Found from where the class registered, although this program has its own
  // copy of the class's creation function.
  EXPECT_EQ(NSBundle::bundleForClass<ChimewellPreferencesController>(), bundle);
  EXPECT_EQ(NSBundle::bundleForClass<ApplistTableViewController>(), bundle);
}

}  // namespace
