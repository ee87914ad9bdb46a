#include "detail/SmartDetailView.h"

#include "detail/SoundPageRows.h"
#include "detail/SoundPageVariables.h"
#include "foundation/NSClassRegistry.h"
#include "store/SettingsStore.h"

namespace {

const bool registered = NSRegisterClass<SmartDetailView>("SmartDetailView");

constexpr long kSectionCount = 4;
constexpr long kClosingSection = 3;  // a footer and no row

const char* const kSoundFooter = "Select the Custom sound";
const char* const kVibrationSwitchFooterFormat = "Enable Custom vibration pattern for %@";
const char* const kClosingFooter =
    "Dial in how many times you would like the phone to vibrate when notification is received "
    "(usually there's a 0.5 sec interval between each vibration";

}  // namespace

void SmartDetailView::viewDidLoad() {
  UITableViewController::viewDidLoad();
  loadSoundPage(*this);
}

long SmartDetailView::numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) { return kSectionCount; }

long SmartDetailView::tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long section) {
  return section >= 0 && section < kClosingSection ? 1 : 0;
}

std::shared_ptr<UITableViewCell> SmartDetailView::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {
  switch (indexPath.section) {
    case kSoundSwitchSection: {
      auto row = switchRow(tableView, indexPath, switchview, kCustomToggleKey, kEnableCustomSoundText);
      row.toggle->addTargetActionForControlEvents(selfAs<SmartDetailView>(), &SmartDetailView::updateSwitchAtIndexPath1,
                                                  UIControlEventTouchUpInside);
      return row.cell;
    }
    case kSoundSection:
      return soundRow(tableView, indexPath);
    case kVibrationSwitchSection: {
      auto row = switchRow(tableView, indexPath, switchview11, kVibrationToggleKey, kEnableCustomVibrationText);
      row.toggle->addTargetActionForControlEvents(selfAs<SmartDetailView>(), &SmartDetailView::updateSwitchAtIndexPath2,
                                                  UIControlEventTouchUpInside);
      return row.cell;
    }
    default:
      return nullptr;
  }
}

void SmartDetailView::updateSwitchAtIndexPath1(const std::shared_ptr<UISwitch>& sender) {
  storeSwitchState(sender, kCustomToggleKey);
}

void SmartDetailView::updateSwitchAtIndexPath2(const std::shared_ptr<UISwitch>& sender) {
  storeSwitchState(sender, kVibrationToggleKey);
}

std::optional<std::string> SmartDetailView::tableViewTitleForFooterInSection(const std::shared_ptr<UITableView>&,
                                                                             long section) {
  switch (section) {
    case kSoundSwitchSection:
      return formatWithCurrentApp(kSoundSwitchFooterFormat);
    case kSoundSection:
      return kSoundFooter;
    case kVibrationSwitchSection:
      return formatWithCurrentApp(kVibrationSwitchFooterFormat);
    case kClosingSection:
      return kClosingFooter;
    default:
      return std::nullopt;
  }
}

void SmartDetailView::tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                       const NSIndexPath& indexPath) {
  didSelectSoundPageRow(*this, tableView, indexPath);
}
