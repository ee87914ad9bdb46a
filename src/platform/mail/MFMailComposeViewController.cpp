#include "mail/MFMailComposeViewController.h"

#include "foundation/NSError.h"
#include "foundation/NSURL.h"
#include "uikit/ScreenModel.h"
#include "uikit/UIApplication.h"

namespace {

std::atomic<bool> mailAccountSetUp{false};

// Addresses keep their '@' readable; everything else RFC 6068 wants encoded is.
std::string encodedAddresses(const std::vector<std::string>& addresses) {
  std::string joined;
  for (const auto& address : addresses) {
    if (!joined.empty()) joined += ',';
    std::string encoded = NSURL::percentEncode(address);
    // '%' itself is encoded as %25, so every %40 here was an '@'.
    for (auto at = encoded.find("%40"); at != std::string::npos; at = encoded.find("%40", at + 1)) {
      encoded.replace(at, 3, "@");
    }
    joined += encoded;
  }
  return joined;
}

}  // namespace

MFMailComposeViewController::~MFMailComposeViewController() = default;

bool MFMailComposeViewController::canSendMail() { return mailAccountSetUp; }

void MFMailComposeViewController::setCanSendMail(bool canSend) { mailAccountSetUp = canSend; }

void MFMailComposeViewController::setMessageBodyIsHTML(std::string body, bool isHTML) {
  body_ = std::move(body);
  isHTML_ = isHTML;
}

std::string MFMailComposeViewController::mailtoLink() const {
  std::string query;
  auto add = [&query](const char* field, const std::string& encodedValue) {
    if (encodedValue.empty()) return;
    query += query.empty() ? '?' : '&';
    query += field;
    query += '=';
    query += encodedValue;
  };
  add("cc", encodedAddresses(ccRecipients_));
  add("bcc", encodedAddresses(bccRecipients_));
  add("subject", NSURL::percentEncode(subject_));
  add("body", NSURL::percentEncode(body_));
  return "mailto:" + encodedAddresses(toRecipients_) + query;
}

void MFMailComposeViewController::userSend() {
  UIApplication::sharedApplication()->openURLOptionsCompletionHandler(
      NSURL::URLWithString(mailtoLink()), {}, nullptr);
  finish(MFMailComposeResultSent, nullptr);
}

void MFMailComposeViewController::userSaveDraft() { finish(MFMailComposeResultSaved, nullptr); }

void MFMailComposeViewController::userCancel() { finish(MFMailComposeResultCancelled, nullptr); }

void MFMailComposeViewController::failWithError(const std::shared_ptr<NSError>& error) {
  finish(MFMailComposeResultFailed, error);
}

void MFMailComposeViewController::finish(MFMailComposeResult result,
                                         const std::shared_ptr<NSError>& error) {
  // The delegate usually dismisses the sheet, which may drop the last other
  // reference to it.
  auto self = selfAs<MFMailComposeViewController>();
  if (auto delegate = delegate_.lock()) {
    delegate->mailComposeControllerDidFinishWithResultError(self, result, error);
  }
}

void MFMailComposeViewController::describePresentedScreen(Screen& screen) const {
  screen.mail = ScreenMail{toRecipients_, subject_, body_, isHTML_};
}

bool MFMailComposeViewController::performUserAction(const std::string& actionId) {
  if (actionId == "mail/send") {
    userSend();
  } else if (actionId == "mail/save") {
    userSaveDraft();
  } else if (actionId == "mail/cancel") {
    userCancel();
  } else {
    return false;
  }
  return true;
}

bool MFMailComposeViewController::editUserText(const std::string& fieldId, const std::string& text) {
  if (fieldId == "mail/subject") {
    subject_ = text;
  } else if (fieldId == "mail/body") {
    body_ = text;
  } else {
    return false;
  }
  return true;
}
