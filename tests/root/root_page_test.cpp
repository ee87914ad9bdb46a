// The root page owns its texts here; other suites find its rows by them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/MFMailComposeViewController.h"
#include "root/ChimewellPreferencesController.h"
#include "support/PageTest.h"
#include "uikit/UIImage.h"

using ::testing::ElementsAre;

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
  std::shared_ptr<ChimewellPreferencesController> page;
};

TEST_F(RootPageTest, ShowsThreeRowsWithTheirFootersIconsAndIndicators) {
  const Screen shown = screen();
  EXPECT_EQ(shown.navigationBar.title, "Chimewell");
  EXPECT_EQ(shown.table->style, ScreenTableStyle::grouped);
  EXPECT_THAT(rowTexts(shown), ElementsAre("Configure Applications", "Report", "Follow on Twitter"));
  std::vector<std::string> footers, icons;
  for (const auto& section : shown.table->sections) {
    footers.push_back(section.footer.value_or(""));
    ASSERT_EQ(section.rows.size(), 1u);
    EXPECT_EQ(section.rows[0].accessory, ScreenAccessory::disclosure);
    icons.push_back(section.rows[0].image ? section.rows[0].image->name().value_or("") : "");
  }
  EXPECT_THAT(footers,
              ElementsAre("Configure global settings", "Report a problem / bug or a feature", "Find me on Twitter"));
  EXPECT_THAT(icons, ElementsAre("global", "report", "twitter"));
}

TEST_F(RootPageTest, EachRowLeadsWhereItSays) {
  driver().tapRowByText("Follow on Twitter");
  EXPECT_THAT(openedLinks(), ElementsAre("https://twitter.com/chimewell"));
  driver().tapRowByText("Report");
  EXPECT_FALSE(screen().mail) << "without a mail account there is nothing to offer";

  MFMailComposeViewController::setCanSendMail(true);
  driver().tapRowByText("Report");
  const auto mail = screen().mail;
  ASSERT_TRUE(mail);
  EXPECT_THAT(mail->toRecipients, ElementsAre("support@chimewell.app"));
  EXPECT_EQ(mail->subject, "Chimewell tweak issue");
  EXPECT_EQ(mail->body, "Hello! I'm having the following issue with Chimewell: ");
  driver().cancelMail();
  EXPECT_FALSE(screen().mail);

  driver().tapRowByText("Configure Applications");
  EXPECT_EQ(screen().pageClass, "ApplistTableViewController");
}

}  // namespace
