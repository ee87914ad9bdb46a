#include "selectlist/QCSelectListTableViewController.h"

#include "dispatch/dispatch.h"
#include "foundation/NSClassRegistry.h"
#include "foundation/NSURL.h"
#include "foundation/NSUserDefaults.h"
#include "selectlist/RingtoneImport.h"
#include "store/SettingsStore.h"
#include "uikit/UIBarButtonItem.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UINavigationItem.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewCell.h"

std::shared_ptr<AVAudioPlayer> audioPlayer1;
std::shared_ptr<NSMutableDictionary> dict1;

namespace {

const bool registered = NSRegisterClass<QCSelectListTableViewController>("QCSelectListTableViewController");

const char* const kCellIdentifier = "QCListCellIdentifier";

}  // namespace

QCSelectListTableViewController::QCSelectListTableViewController()
    : QCSelectListTableViewController(UITableViewStylePlain, std::nullopt, std::nullopt, std::nullopt,
                                      std::nullopt, false, {}) {}

QCSelectListTableViewController::QCSelectListTableViewController(
    UITableViewStyle style, std::optional<std::string> title,
    std::optional<std::vector<std::string>> items, std::optional<std::vector<std::string>> values,
    std::optional<std::string> currentValue, bool popViewOnSelect, QCItemChangedBlock changeBlock)
    : UITableViewController(style),
      itemChangedBlock_(std::move(changeBlock)),
      listValues_(values.value_or(std::vector<std::string>{})),
      listItems_(items.value_or(std::vector<std::string>{})),
      currentValue_(std::move(currentValue)),
      popView_(popViewOnSelect) {
  setTitle(std::move(title));
}

void QCSelectListTableViewController::viewDidLoad() {
  UITableViewController::viewDidLoad();
  setTitle(NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentAppKey));
  dict1 = loadSettings();
  navigationItem()->setRightBarButtonItem(std::make_shared<UIBarButtonItem>(
      UIBarButtonSystemItemAdd, selfAs<QCSelectListTableViewController>(), &QCSelectListTableViewController::addSound));
}

void QCSelectListTableViewController::addSound() { startRingtoneImport(selfAs<QCSelectListTableViewController>()); }

void QCSelectListTableViewController::viewWillDisappear(bool animated) {
  UITableViewController::viewWillDisappear(animated);
  if (audioPlayer1) audioPlayer1->stop();
}

long QCSelectListTableViewController::numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) {
  return 1;
}

long QCSelectListTableViewController::tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) {
  return static_cast<long>(listItems_.size());
}

std::optional<std::string> QCSelectListTableViewController::tableViewTitleForFooterInSection(
    const std::shared_ptr<UITableView>&, long) {
  return footerText_;
}

std::optional<std::string> QCSelectListTableViewController::valueAt(long row) const {
  // A caller may give fewer values than items: such a row has no value.
  if (row < 0 || static_cast<std::size_t>(row) >= listValues_.size()) return std::nullopt;
  return listValues_[static_cast<std::size_t>(row)];
}

// A checkmark on the row whose value is the current value; none matches no row.
UITableViewCellAccessoryType QCSelectListTableViewController::accessoryForRow(long row) const {
  const bool current = currentValue_ && valueAt(row) == currentValue_;
  return current ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone;
}

std::shared_ptr<UITableViewCell> QCSelectListTableViewController::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {
  auto cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, kCellIdentifier);
  cell->textLabel()->setText(listItems_.at(static_cast<std::size_t>(indexPath.row)));
  // Set at every configuration, so a reused cell never keeps an old checkmark.
  cell->setAccessoryType(accessoryForRow(indexPath.row));
  return cell;
}

void QCSelectListTableViewController::tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                       const NSIndexPath& indexPath) {
  const std::optional<std::string> value = valueAt(indexPath.row);
  if (itemChangedBlock_ && value) itemChangedBlock_(*value);
  tableView->deselectRowAtIndexPathAnimated(indexPath, true);
  for (const auto& visible : tableView->visibleCells()) visible->setAccessoryType(UITableViewCellAccessoryNone);
  auto cell = tableView->cellForRowAtIndexPath(indexPath);
  if (!cell) return;  // a tap always lands on a shown row
  cell->setAccessoryType(UITableViewCellAccessoryCheckmark);
  // The choice is current from now on, so rows configured later mark it too.
  currentValue_ = value;
  const std::string soundName = cell->textLabel()->text().value_or("");
  playPreview(soundName);
  storeChoice(soundName, tableView);
  if (popView_) {
    if (auto navigation = navigationController()) navigation->popViewControllerAnimated(true);
  }
}

void QCSelectListTableViewController::playPreview(const std::string& soundName) {
  if (audioPlayer1) audioPlayer1->stop();
  audioPlayer1 = AVAudioPlayer::initWithContentsOfURL(NSURL::fileURLWithPath(soundFilePath(soundName)));
  if (audioPlayer1) audioPlayer1->play();
  // Each tap's stop ends its own preview only: a later tap's preview plays
  // its full time. A replaced player that is gone needs no stop.
  std::weak_ptr<AVAudioPlayer> started = audioPlayer1;
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, kPreviewNanoseconds), dispatch_get_main_queue(), [started] {
    if (auto player = started.lock()) player->stop();
  });
}

void QCSelectListTableViewController::storeChoice(const std::string& soundName,
                                                  const std::shared_ptr<UITableView>& tableView) {
  if (storeSettingsKey(dict1, kNotificationAlertKey, PlistValue(soundName)) == StoreResult::stored) return;
  // The store logged why. Show what the file holds, here and on the opener's row.
  const std::optional<std::string> stored = readSoundName();
  currentValue_ = stored;
  showCheckmarks(tableView);
  if (itemChangedBlock_) itemChangedBlock_(stored.value_or(kNoStoredSoundText));
}

void QCSelectListTableViewController::showCheckmarks(const std::shared_ptr<UITableView>& tableView) {
  for (const auto& indexPath : tableView->indexPathsForVisibleRows()) {
    if (auto cell = tableView->cellForRowAtIndexPath(indexPath)) cell->setAccessoryType(accessoryForRow(indexPath.row));
  }
}
