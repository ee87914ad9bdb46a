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

struct Finish {
  MFMailComposeResult result;
  std::shared_ptr<NSError> error;
};

class RecordingDelegate : public MFMailComposeViewControllerDelegate {
 public:
  void mailComposeControllerDidFinishWithResultError(
      const std::shared_ptr<MFMailComposeViewController>& controller, MFMailComposeResult result,
      const std::shared_ptr<NSError>& error) override {
    finishes.push_back({result, error});
    if (dismisses) controller->presentingViewController()->dismissViewControllerAnimatedCompletion(true);
  }
  std::vector<Finish> finishes;
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
  void TearDown() override {
    MFMailComposeViewController::setCanSendMail(false);
    PageTest::TearDown();
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
  EXPECT_FALSE(mail->isHTML);
  EXPECT_TRUE(lastTransitionAnimated());

  driver().editPresentedText("mail/subject", "Crash & burn?");
  driver().editPresentedText("mail/body", "Steps:\n1. 100% sure!");
  EXPECT_EQ(screen().mail->subject, "Crash & burn?");
  EXPECT_THROW(driver().editPresentedText("mail/cc", "x"), std::invalid_argument);
  driver().sendMail();
  EXPECT_THAT(openedLinks(),
              ElementsAre("mailto:support@chimewell.app,two%2Bx@example.com"
                          "?subject=Crash%20%26%20burn%3F&body=Steps%3A%0A1.%20100%25%20sure%21"));
  ASSERT_EQ(delegate->finishes.size(), 1u);
  EXPECT_EQ(delegate->finishes[0].result, MFMailComposeResultSent);
  EXPECT_EQ(delegate->finishes[0].error, nullptr);
  EXPECT_FALSE(screen().mail.has_value());
  EXPECT_EQ(composer->presentingViewController(), nullptr);
  // Nothing presented: no field to edit.
  EXPECT_THROW(driver().editPresentedText("mail/subject", "late"), std::invalid_argument);
}

TEST_F(MailTest, EveryOtherEndIsReportedWithItsResultAndNothingIsSent) {
  present();
  driver().cancelMail();
  present();
  EXPECT_TRUE(composer->performUserAction("mail/save"));
  present();
  auto error = std::make_shared<NSError>(NSCocoaErrorDomain, 1, "The mail could not be queued.");
  composer->failWithError(error);
  ASSERT_EQ(delegate->finishes.size(), 3u);
  EXPECT_EQ(delegate->finishes[0].result, MFMailComposeResultCancelled);
  EXPECT_EQ(delegate->finishes[1].result, MFMailComposeResultSaved);
  EXPECT_EQ(delegate->finishes[2].result, MFMailComposeResultFailed);
  EXPECT_EQ(delegate->finishes[2].error, error);
  EXPECT_TRUE(openedLinks().empty());
  EXPECT_FALSE(composer->performUserAction("mail/unknown"));
}

TEST_F(MailTest, TheSheetStaysUntilTheDelegateDismissesIt) {
  delegate->dismisses = false;
  present();
  driver().cancelMail();
  EXPECT_TRUE(screen().mail.has_value());
  delegate.reset();  // held weakly: with no delegate, ending only closes nothing
  driver().cancelMail();
  EXPECT_TRUE(screen().mail.has_value());
  composer->dismissViewControllerAnimatedCompletion(false);
  EXPECT_FALSE(lastTransitionAnimated());
  EXPECT_THROW(driver().sendMail(), std::invalid_argument);
}

}  // namespace
