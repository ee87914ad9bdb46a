#include "detail/SoundPageRows.h"

#include <optional>
#include <vector>

#include "detail/SoundPageVariables.h"
#include "foundation/NSFileManager.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/NSUserDefaults.h"
#include "selectlist/QCSelectListTableViewController.h"
#include "store/SettingsStore.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UIView.h"

namespace {

const char* const kSoundRowIdentifier = "SectionCellIdentifier";

bool storedBool(const std::string& key) { return plist && plist->boolValueForKey(key); }

}  // namespace

void loadSoundPage(UIViewController& page) {
  ensureSettingsDirectory();
  page.setTitle(NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentAppKey));
  plist = loadSettings();
}

std::optional<std::string> footerText(const SoundPageFooter& footer) {
  if (!footer.namesApp) return footer.text;
  return stringWithFormat(footer.text, NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentAppKey));
}

std::shared_ptr<UITableViewCell> shownOrNewNumberedCell(const std::shared_ptr<UITableView>& table,
                                                        const NSIndexPath& indexPath) {
  if (auto shown = table->cellForRowAtIndexPath(indexPath)) return shown;
  return std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, stringWithFormat("Cell %ld", indexPath.row));
}

SwitchRow switchRow(const std::shared_ptr<UITableView>& table, const NSIndexPath& indexPath,
                    std::shared_ptr<UISwitch>& latestSwitch, const std::string& key, const char* text) {
  auto cell = shownOrNewNumberedCell(table, indexPath);
  auto toggle = std::dynamic_pointer_cast<UISwitch>(cell->accessoryView());
  if (!toggle) {
    toggle = std::make_shared<UISwitch>(CGRectZero);
    latestSwitch = toggle;
    cell->setAccessoryView(toggle);
  }
  toggle->setOn(storedBool(key));
  cell->textLabel()->setText(text);
  return {cell, toggle};
}

std::shared_ptr<UITableViewCell> soundRow(const std::shared_ptr<UITableView>& table, const NSIndexPath& indexPath) {
  auto cell = table->cellForRowAtIndexPath(indexPath);
  if (!cell) {
    cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, kSoundRowIdentifier);
    cell->textLabel()->setText(kCustomSoundText);
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  }
  cell->detailTextLabel()->setText(readSoundName().value_or(kDefaultSoundText));
  return cell;
}

void didSelectSoundPageRow(UIViewController& page, const std::shared_ptr<UITableView>& table,
                           const NSIndexPath& indexPath) {
  table->deselectRowAtIndexPathAnimated(indexPath, true);
  if (indexPath.section != kSoundSection) return;
  // A count still being typed is stored before the chooser reads the file.
  page.view()->endEditing(false);
  auto cell = table->cellForRowAtIndexPath(indexPath);
  auto sounds = NSFileManager::defaultManager()->contentsOfDirectoryAtPathError(kSoundLibraryDirectory, nullptr);
  refreshSettings(plist);
  auto chooser = std::make_shared<QCSelectListTableViewController>(
      UITableViewStyleGrouped, kCustomSoundText, sounds, sounds, readSoundName(), false,
      [cell](const std::string& value) {
        if (cell) cell->detailTextLabel()->setText(value);
      });
  if (auto navigation = page.navigationController()) navigation->pushViewControllerAnimated(chooser, true);
}

bool storeOrRevert(const std::string& key, const PlistValue& value) {
  if (storeSettingsKey(plist, key, value) == StoreResult::stored) return true;
  plist = loadSettings();
  return false;
}

void storeSwitchState(const std::shared_ptr<UISwitch>& sender, const std::string& key) {
  if (!sender) return;
  if (!storeOrRevert(key, numberWithBool(sender->isOn()))) sender->setOn(storedBool(key));
}
