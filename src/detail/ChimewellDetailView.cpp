#include "detail/ChimewellDetailView.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

#include "detail/SoundPageRows.h"
#include "detail/SoundPageVariables.h"
#include "foundation/NSClassRegistry.h"
#include "store/SettingsStore.h"
#include "uikit/UILabel.h"

namespace {

const bool registered = NSRegisterClass<ChimewellDetailView>("ChimewellDetailView");

constexpr long kSectionCount = 4;
constexpr long kVibrationCountSection = 3;
constexpr CGRect kCountFieldFrame = CGRectMake(33.0, 6.0, 259.0, 31.0);

// The closing parentheses are missing in the texts users know.
constexpr std::array<SoundPageFooter, kSectionCount> kFooters{{
    {kSoundSwitchFooterFormat, true},
    {"Select the Custom sound (you can import your own custom sounds by placing them in "
     "/var/jb/Library/Application Support/Chimewell"},
    {"Enable Custom Vibration pattern for %@", true},
    {"Set the number of vibrations (there's usually a 1 second delay between each vibration"},
}};

bool isKnownSection(long section) { return section >= 0 && section < kSectionCount; }

// A real as NSNumber prints it: the shortest text that reads back the same.
std::string shortestDecimal(double real) {
  std::array<char, 32> digits{};
  auto written = std::to_chars(digits.data(), digits.data() + digits.size(), real);
  return std::string(digits.data(), written.ptr);
}

// vibrationTimes as the field shows it: a string as typed, a number in
// decimal, nothing for anything else or an absent key.
std::string vibrationTimesText() {
  auto value = plist ? plist->objectForKey(kVibrationTimesKey) : std::nullopt;
  if (!value) return {};
  if (auto text = value->as<std::string>()) return *text;
  if (auto flag = value->as<bool>()) return *flag ? "1" : "0";
  if (auto whole = value->as<std::int64_t>()) return std::to_string(*whole);
  if (auto real = value->as<double>()) return shortestDecimal(*real);
  return {};
}

}  // namespace

void ChimewellDetailView::viewDidLoad() {
  UITableViewController::viewDidLoad();
  loadSoundPage(*this);
}

long ChimewellDetailView::numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) { return kSectionCount; }

long ChimewellDetailView::tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long section) {
  return isKnownSection(section) ? 1 : 0;
}

std::shared_ptr<UITableViewCell> ChimewellDetailView::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {
  switch (indexPath.section) {
    case kSoundSwitchSection: {
      auto row = switchRow(tableView, indexPath, switchview, kEnableToggleKey, kEnableCustomSoundText);
      row.toggle->addTargetActionForControlEvents(selfAs<ChimewellDetailView>(),
                                                  &ChimewellDetailView::updateSwitchAtIndexPath,
                                                  UIControlEventTouchUpInside);
      return row.cell;
    }
    case kSoundSection:
      return soundRow(tableView, indexPath);
    case kVibrationSwitchSection: {
      auto row = switchRow(tableView, indexPath, switchview123, kVibrationToggleKey, kEnableCustomVibrationText);
      row.toggle->addTargetActionForControlEvents(selfAs<ChimewellDetailView>(),
                                                  &ChimewellDetailView::updateSwitchAtIndexPath2,
                                                  UIControlEventTouchUpInside);
      return row.cell;
    }
    case kVibrationCountSection:
      return vibrationCountRow(tableView, indexPath);
    default:
      return nullptr;
  }
}

// Each configuration makes a new count field; the one it replaces leaves the
// cell first (a count typed into it is stored), so fields never stack.
std::shared_ptr<UITableViewCell> ChimewellDetailView::vibrationCountRow(const std::shared_ptr<UITableView>& tableView,
                                                                        const NSIndexPath& indexPath) {
  auto cell = shownOrNewNumberedCell(tableView, indexPath);
  for (const auto& subview : std::vector(cell->contentView()->subviews())) {
    auto previous = std::dynamic_pointer_cast<UITextField>(subview);
    if (!previous) continue;
    previous->resignFirstResponder();
    previous->removeFromSuperview();
  }
  fromDate = std::make_shared<UITextField>(kCountFieldFrame);
  fromDate->setDelegate(selfAs<UITextFieldDelegate>());
  fromDate->setTextAlignment(NSTextAlignmentCenter);
  fromDate->setHighlighted(true);
  fromDate->setUserInteractionEnabled(true);
  fromDate->setText(vibrationTimesText());
  cell->contentView()->addSubview(fromDate);
  return cell;
}

bool ChimewellDetailView::textFieldShouldChangeCharactersInRangeReplacementString(
    const std::shared_ptr<UITextField>& textField, NSRange, const std::string& string) {
  if (string != "\n") return true;
  textField->resignFirstResponder();
  return false;
}

bool ChimewellDetailView::textFieldShouldEndEditing(const std::shared_ptr<UITextField>& textField) {
  if (!storeOrRevert(kVibrationTimesKey, textField->text())) textField->setText(vibrationTimesText());
  view()->endEditing(true);
  return true;
}

void ChimewellDetailView::updateSwitchAtIndexPath(const std::shared_ptr<UISwitch>& sender) {
  storeSwitchState(sender, kEnableToggleKey);
}

void ChimewellDetailView::updateSwitchAtIndexPath2(const std::shared_ptr<UISwitch>& sender) {
  storeSwitchState(sender, kVibrationToggleKey);
}

std::optional<std::string> ChimewellDetailView::tableViewTitleForFooterInSection(const std::shared_ptr<UITableView>&,
                                                                                 long section) {
  return footerForSection(kFooters, section);
}

void ChimewellDetailView::tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                          const NSIndexPath& indexPath) {
  didSelectSoundPageRow(*this, tableView, indexPath);
}
