#pragma once
// The rows, texts and steps that the per-app sound page and the alternate
// sound page share: the switch rows, the sound row and the sound chooser it
// opens, and storing a switch so that it always shows what the file holds.
// Main thread only; every step reads the hand-off keys afresh.
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "foundation/PropertyList.h"
#include "uikit/NSIndexPath.h"
#include "uikit/UISwitch.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UIViewController.h"

inline constexpr const char* kEnableCustomSoundText = "Enable Custom Sound";
inline constexpr const char* kCustomSoundText = "Custom Sound";
inline constexpr const char* kEnableCustomVibrationText = "Enable Custom Vibration";
inline constexpr const char* kDefaultSoundText = "Default";
inline constexpr const char* kSoundSwitchFooterFormat = "Enable Custom notification sound for %@";

// Sections of both pages.
inline constexpr long kSoundSwitchSection = 0;
inline constexpr long kSoundSection = 1;
inline constexpr long kVibrationSwitchSection = 2;

// A sound page's view load: ensures the settings directory (a failure is
// logged and the page opens all the same), titles the page with the
// handed-off currentApp and loads plist from the app's per-app settings file.
void loadSoundPage(UIViewController& page);

// A section footer: a fixed text, or a format naming the handed-off currentApp.
struct SoundPageFooter {
  const char* text;
  bool namesApp = false;
};
std::optional<std::string> footerText(const SoundPageFooter& footer);
// The footer of the section among a page's footers; none outside them.
template <std::size_t N>
std::optional<std::string> footerForSection(const std::array<SoundPageFooter, N>& footers, long section) {
  if (section < 0 || static_cast<std::size_t>(section) >= N) return std::nullopt;
  return footerText(footers[static_cast<std::size_t>(section)]);
}

// The cell shown for the row, or a new one of the default style whose reuse
// identifier is "Cell <row>".
std::shared_ptr<UITableViewCell> shownOrNewNumberedCell(const std::shared_ptr<UITableView>& table,
                                                        const NSIndexPath& indexPath);

struct SwitchRow {
  std::shared_ptr<UITableViewCell> cell;
  std::shared_ptr<UISwitch> toggle;  // the cell's switch; the caller adds its action
};
// A switch row: a new cell gets a new switch, kept in `latestSwitch` and
// shown as its accessory; every time, the switch shows the key's stored
// boolean and the cell the text.
SwitchRow switchRow(const std::shared_ptr<UITableView>& table, const NSIndexPath& indexPath,
                    std::shared_ptr<UISwitch>& latestSwitch, const std::string& key, const char* text);

// The sound row: "Custom Sound" with the stored sound name read afresh from
// the file, "Default" only when none is stored.
std::shared_ptr<UITableViewCell> soundRow(const std::shared_ptr<UITableView>& table, const NSIndexPath& indexPath);

// A tap on a row of either page: deselects it; on the sound row, pushes the
// sound chooser over the sound library, whose choice shows on the row at once.
void didSelectSoundPageRow(UIViewController& page, const std::shared_ptr<UITableView>& table,
                           const NSIndexPath& indexPath);

// Stores the key into plist and the file. When that does not reach the file
// (the store has logged why), plist goes back to what the file holds, so that
// no later store writes the refused value by accident; false then.
bool storeOrRevert(const std::string& key, const PlistValue& value);

// A switch's action: stores its state; when that fails, it flips back to the
// stored state.
void storeSwitchState(const std::shared_ptr<UISwitch>& sender, const std::string& key);
