#pragma once
// The sound chooser: one row per sound name, a checkmark on the current one.
// A tap reports the choice to the opener (the change block), moves the
// checkmark, plays a preview of up to three seconds from that tap, and
// stores the sound name as NotificationAlert in the handed-off app's
// settings file. Leaving the page stops the preview. Main thread only, like
// every page.
//
// Where the sound chooser is kinder than the page it copies: it stores
// through the store (which refreshes first, so keys stored by other pages
// since it opened survive); each tap's three-second stop ends only the
// preview that tap started; a choice becomes the current value, so the
// checkmark stays after scrolling; and a store that fails puts the checkmark,
// the current value and the opener's row back to what the file holds.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NSDictionary.h"
#include "media/AVAudioPlayer.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITableViewController.h"

// The change block: called with the chosen row's value, first thing on a
// tap. Should the choice then fail to be stored, it is called once more with
// what the opener's row should show instead: the stored sound name, or
// "Default" when none is stored.
using QCItemChangedBlock = std::function<void(const std::string& value)>;

// The preview player: replaced at every tap, never cleared.
extern std::shared_ptr<AVAudioPlayer> audioPlayer1;
// The chooser's working copy of the app's settings, loaded at each view load.
extern std::shared_ptr<NSMutableDictionary> dict1;

class QCSelectListTableViewController : public UITableViewController {
 public:
  // How long a preview plays.
  static constexpr std::int64_t kPreviewNanoseconds = 3 * 1'000'000'000LL;

  // init, as the class registry creates it: a plain, empty list.
  QCSelectListTableViewController();
  // initWithStyle:title:items:values:currentValue:popViewOnSelect:changeBlock:
  // Lists that are none (a missing sound library) show no rows.
  QCSelectListTableViewController(UITableViewStyle style, std::optional<std::string> title,
                                  std::optional<std::vector<std::string>> items,
                                  std::optional<std::vector<std::string>> values,
                                  std::optional<std::string> currentValue, bool popViewOnSelect,
                                  QCItemChangedBlock changeBlock);

  const QCItemChangedBlock& itemChangedBlock() const { return itemChangedBlock_; }
  void setItemChangedBlock(QCItemChangedBlock block) { itemChangedBlock_ = std::move(block); }
  const std::vector<std::string>& listValues() const { return listValues_; }
  void setListValues(std::vector<std::string> values) { listValues_ = std::move(values); }
  const std::vector<std::string>& listItems() const { return listItems_; }
  void setListItems(std::vector<std::string> items) { listItems_ = std::move(items); }
  const std::optional<std::string>& currentValue() const { return currentValue_; }
  void setCurrentValue(std::optional<std::string> value) { currentValue_ = std::move(value); }
  bool popView() const { return popView_; }
  void setPopView(bool popView) { popView_ = popView; }
  const std::optional<std::string>& footerText() const { return footerText_; }
  void setFooterText(std::optional<std::string> text) { footerText_ = std::move(text); }

  void viewDidLoad() override;
  // The Add button's action: the ringtone import.
  void addSound();
  void viewWillDisappear(bool animated) override;

  long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override;
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>& tableView,
                                      long section) override;
  std::optional<std::string> tableViewTitleForFooterInSection(const std::shared_ptr<UITableView>& tableView,
                                                              long section) override;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
      const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override;

 private:
  std::optional<std::string> valueAt(long row) const;
  UITableViewCellAccessoryType accessoryForRow(long row) const;
  void showCheckmarks(const std::shared_ptr<UITableView>& tableView);
  void playPreview(const std::string& soundName);
  void storeChoice(const std::string& soundName, const std::shared_ptr<UITableView>& tableView);

  QCItemChangedBlock itemChangedBlock_;
  std::vector<std::string> listValues_;
  std::vector<std::string> listItems_;
  std::optional<std::string> currentValue_;
  bool popView_ = false;
  std::optional<std::string> footerText_;
};
