#include "detail/SmartDetailView.h"

#include <array>

#include "detail/SoundPageRows.h"
#include "detail/SoundPageVariables.h"
#include "foundation/NSClassRegistry.h"
#include "store/SettingsStore.h"

namespace {

const bool registered = NSRegisterClass<SmartDetailView>("SmartDetailView");

constexpr long kSectionCount = 4;
constexpr long kClosingSection = 3;  // a footer and no row

// Lower-case "vibration" and the missing closing parenthesis are the texts users know.
constexpr std::array<SoundPageFooter, kSectionCount> kFooters{{
    {kSoundSwitchFooterFormat, true},
    {"Select the Custom sound"},
    {"Enable Custom vibration pattern for %@", true},
    {"Dial in how many times you would like the phone to vibrate when notification is received "
     "(usually there's a 0.5 sec interval between each vibration"},
}};

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
  return footerForSection(kFooters, section);
}

void SmartDetailView::tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                       const NSIndexPath& indexPath) {
  didSelectSoundPageRow(*this, tableView, indexPath);
}
