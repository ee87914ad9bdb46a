#pragma once
// MessageUI's mail sheet, presented modally. The host says whether mail can
// be sent. On the sheet the user sends (the message is handed on as a
// mailto: link to UIApplication's link opener, with the subject and body
// as the person left them), saves a draft or cancels;
// the delegate is then told the result and is the one to dismiss the sheet.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uikit/UIViewController.h"

class NSError;
class MFMailComposeViewController;

enum MFMailComposeResult : long {
  MFMailComposeResultCancelled = 0,
  MFMailComposeResultSaved = 1,
  MFMailComposeResultSent = 2,
  MFMailComposeResultFailed = 3,
};

class MFMailComposeViewControllerDelegate {
 public:
  virtual ~MFMailComposeViewControllerDelegate() = default;
  // mailComposeController:didFinishWithResult:error:
  virtual void mailComposeControllerDidFinishWithResultError(
      const std::shared_ptr<MFMailComposeViewController>& controller, MFMailComposeResult result,
      const std::shared_ptr<NSError>& error) {}
};

class MFMailComposeViewController : public UIViewController {
 public:
  MFMailComposeViewController() = default;
  ~MFMailComposeViewController() override;

  // Whether a mail account is set up; the host's answer, false until it gives one.
  static bool canSendMail();
  static void setCanSendMail(bool canSend);

  std::shared_ptr<MFMailComposeViewControllerDelegate> mailComposeDelegate() const {
    return delegate_.lock();
  }
  void setMailComposeDelegate(const std::shared_ptr<MFMailComposeViewControllerDelegate>& delegate) {
    delegate_ = delegate;
  }

  void setSubject(std::string subject) { subject_ = std::move(subject); }
  void setToRecipients(std::vector<std::string> recipients) { toRecipients_ = std::move(recipients); }
  void setCcRecipients(std::vector<std::string> recipients) { ccRecipients_ = std::move(recipients); }
  void setBccRecipients(std::vector<std::string> recipients) { bccRecipients_ = std::move(recipients); }
  void setMessageBodyIsHTML(std::string body, bool isHTML);

  const std::string& subject() const { return subject_; }
  const std::vector<std::string>& toRecipients() const { return toRecipients_; }
  const std::vector<std::string>& ccRecipients() const { return ccRecipients_; }
  const std::vector<std::string>& bccRecipients() const { return bccRecipients_; }
  const std::string& messageBody() const { return body_; }
  bool isHTML() const { return isHTML_; }

  // The message as a mailto: link (RFC 6068), every field percent-encoded.
  std::string mailtoLink() const;

  // The user's actions on the sheet, each ending in the delegate call.
  void userSend();
  void userSaveDraft();
  void userCancel();
  // The mail system's failure to take the message.
  void failWithError(const std::shared_ptr<NSError>& error);

  // On the screen model: the mail sheet; user actions "mail/send",
  // "mail/save" and "mail/cancel"; the person may edit the subject
  // ("mail/subject") and the body ("mail/body") before sending, as on the phone.
  void describePresentedScreen(Screen& screen) const override;
  bool performUserAction(const std::string& actionId) override;
  bool editUserText(const std::string& fieldId, const std::string& text) override;

 private:
  void finish(MFMailComposeResult result, const std::shared_ptr<NSError>& error);

  std::weak_ptr<MFMailComposeViewControllerDelegate> delegate_;
  std::string subject_;
  std::vector<std::string> toRecipients_;
  std::vector<std::string> ccRecipients_;
  std::vector<std::string> bccRecipients_;
  std::string body_;
  bool isHTML_ = false;
};
