#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/NSError.h"
#include "mail/MFMailComposeViewController.h"
#include "support/PageTest.h"
#include "uikit/UIApplication.h"

using ::testing::ElementsAre;

namespace {

class RecordingDelegate : public MFMailComposeViewControllerDelegate {
 public:
  void mailComposeControllerDidFinishWithResultError(
      const std::shared_ptr<MFMailComposeViewController>& controller, MFMailComposeResult result,
      const std::shared_ptr<NSError>&) override {
    results.push_back(result);
    if (dismisses) controller->presentingViewController()->dismissViewControllerAnimatedCompletion(true);
  }
  std::vector<MFMailComposeResult> results;
  bool dismisses = true;
};

class MailTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    showPage(page);
    composer->setMailComposeDelegate(delegate);
    composer->setSubject("Tone & vibration?");
    composer->setToRecipients({"support@chimewell.app", "two+x@example.com"});
    composer->setMessageBodyIsHTML("Hello! 100% sure: ", false);
  }
  void present() { page->presentViewControllerAnimatedCompletion(composer, true); }

  std::shared_ptr<UIViewController> page = std::make_shared<UIViewController>();
  std::shared_ptr<MFMailComposeViewController> composer =
      std::make_shared<MFMailComposeViewController>();
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

TEST_F(MailTest, TheSheetShowsTheMessageAndSendingHandsOnWhatWasEditedAsAMailtoLink) {
  EXPECT_FALSE(screen().mail.has_value());
  present();
  auto mail = screen().mail;
  ASSERT_TRUE(mail.has_value());
  EXPECT_THAT(mail->toRecipients, ElementsAre("support@chimewell.app", "two+x@example.com"));
  EXPECT_EQ(mail->subject, "Tone & vibration?");
  EXPECT_EQ(mail->body, "Hello! 100% sure: ");

  driver().editPresentedText("mail/subject", "Crash & burn?");
  driver().editPresentedText("mail/body", "Steps:\n1. 100% sure!");
  EXPECT_EQ(screen().mail->subject, "Crash & burn?");
  EXPECT_THROW(driver().editPresentedText("mail/cc", "x"), std::invalid_argument);
  driver().sendMail();
  EXPECT_THAT(openedLinks(),
              ElementsAre("mailto:support@chimewell.app,two%2Bx@example.com"
                          "?subject=Crash%20%26%20burn%3F&body=Steps%3A%0A1.%20100%25%20sure%21"));
  EXPECT_THAT(delegate->results, ElementsAre(MFMailComposeResultSent));
  EXPECT_FALSE(screen().mail.has_value());
  EXPECT_EQ(composer->presentingViewController(), nullptr);
}

// The root page's suite ends the sheet every way; here that only its page's
// dismissal closes it, as on a phone.
TEST_F(MailTest, TheSheetStaysUntilTheDelegateDismissesIt) {
  delegate->dismisses = false;
  present();
  driver().cancelMail();
  EXPECT_THAT(delegate->results, ElementsAre(MFMailComposeResultCancelled));
  EXPECT_TRUE(screen().mail.has_value());
  delegate.reset();  // held weakly: with no delegate, ending only closes nothing
  driver().cancelMail();
  EXPECT_TRUE(screen().mail.has_value());
  EXPECT_TRUE(openedLinks().empty());
}

}  // namespace
