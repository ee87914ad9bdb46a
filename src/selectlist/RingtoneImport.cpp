#include "selectlist/RingtoneImport.h"

#include <functional>
#include <string>

#include "foundation/NSData.h"
#include "foundation/NSError.h"
#include "foundation/NSLog.h"
#include "foundation/NSURL.h"
#include "media/AVAudioPlayer.h"
#include "store/SettingsStore.h"
#include "uikit/UIAlertController.h"
#include "uikit/UIApplication.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewController.h"
#include "uikit/UITextField.h"

namespace {

using Chooser = std::weak_ptr<UITableViewController>;

const char* const kTitle = "Chimewell";
const char* const kLinkMessage =
    "You can import your own ringtones manually by placing them in /var/jb/Library/Application "
    "Support/Chimewell or you paste a direct link to a ringtone to download and import it";
const char* const kNameMessage = "Type a name for the ringtone";
const char* const kRefusedNameMessage =
    "Type a file name for the ringtone, such as tone.m4r, without \"/\"";
const char* const kDownloadFailedMessage = "Could not download a ringtone from this link";
const char* const kSaveFailedMessage = "Could not save the ringtone";
const char* const kDownloadedMessage =
    "Ringtone Downloaded! Kindly refresh this page in order for it to show";

std::shared_ptr<UIAlertController> newAlert(const std::string& message) {
  return UIAlertController::alertControllerWithTitleMessagePreferredStyle(kTitle, message,
                                                                          UIAlertControllerStyleAlert);
}

std::shared_ptr<UITextField> addField(UIAlertController& alert, const char* placeholder) {
  alert.addTextFieldWithConfigurationHandler(
      [placeholder](const std::shared_ptr<UITextField>& field) { field->setPlaceholder(placeholder); });
  return alert.textFields().back();
}

void addAction(UIAlertController& alert, const char* title, UIAlertActionStyle style,
               std::function<void()> handler) {
  alert.addAction(UIAlertAction::actionWithTitleStyleHandler(
      title, style, handler ? [handler](const std::shared_ptr<UIAlertAction>&) { handler(); }
                            : UIAlertAction::Handler{}));
}

void present(const Chooser& chooser, const std::shared_ptr<UIAlertController>& alert) {
  if (auto page = chooser.lock()) page->presentViewControllerAnimatedCompletion(alert, true);
}

// An alert with one "OK", whose handler (if any) runs after it closes.
void presentMessage(const Chooser& chooser, const std::string& message, std::function<void()> afterOK = {}) {
  auto alert = newAlert(message);
  addAction(*alert, "OK", UIAlertActionStyleDefault, std::move(afterOK));
  present(chooser, alert);
}

void askForName(const Chooser& chooser, const std::string& link);

// The link's content when it opens as audio; none, and the reason, otherwise.
std::shared_ptr<NSData> downloadRingtone(const std::string& link, std::string& reason) {
  auto url = NSURL::URLWithString(link);
  if (!url) {
    reason = "not a link";
    return nullptr;
  }
  std::shared_ptr<NSError> error;
  auto data = NSData::dataWithContentsOfURL(url, &error);
  if (!data) {
    reason = error ? error->localizedDescription() : "no content";
    return nullptr;
  }
  if (!AVAudioPlayer::initWithData(data)) {
    reason = "the content is not a sound";
    return nullptr;
  }
  return data;
}

void importRingtone(const Chooser& chooser, const std::string& link, const std::string& name) {
  if (chooser.expired()) return;
  if (!isPlainFileName(name)) {
    presentMessage(chooser, kRefusedNameMessage, [chooser, link] { askForName(chooser, link); });
    return;
  }
  std::string reason;
  auto data = downloadRingtone(link, reason);
  if (!data) {
    NSLog("Could not download a ringtone: %@", reason);
    presentMessage(chooser, kDownloadFailedMessage);
    return;
  }
  if (auto error = storeSoundFile(name, *data)) {
    // The person can act on the reason (a full disk, a folder they may not write).
    NSLog("Could not save the ringtone: %@", error->localizedDescription());
    presentMessage(chooser, std::string(kSaveFailedMessage) + ": " + error->localizedDescription());
    return;
  }
  presentMessage(chooser, kDownloadedMessage);
  if (auto page = chooser.lock()) page->tableView()->reloadData();
}

void askForName(const Chooser& chooser, const std::string& link) {
  auto alert = newAlert(kNameMessage);
  auto nameField = addField(*alert, "Name");
  addAction(*alert, "Import", UIAlertActionStyleDefault,
            [chooser, link, nameField] { importRingtone(chooser, link, nameField->text()); });
  addAction(*alert, "Cancel", UIAlertActionStyleCancel, [] { NSLog("Canelled"); });
  present(chooser, alert);
}

void openRingtoneSite() {
  UIApplication::sharedApplication()->openURLOptionsCompletionHandler(
      NSURL::URLWithString(kRingtoneSiteURL), {}, nullptr);
}

}  // namespace

void startRingtoneImport(const std::shared_ptr<UITableViewController>& chooser) {
  const Chooser page = chooser;
  auto alert = newAlert(kLinkMessage);
  addAction(*alert, "Open site", UIAlertActionStyleDefault, openRingtoneSite);
  auto linkField = addField(*alert, "URL");
  addAction(*alert, "Import", UIAlertActionStyleDefault,
            [page, linkField] { askForName(page, linkField->text()); });
  addAction(*alert, "Cancel", UIAlertActionStyleCancel, {});
  present(page, alert);
}
