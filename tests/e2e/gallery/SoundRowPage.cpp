// A stand-in for the per-app page's sound row, for browser tests of the sound
// chooser: one "Custom Sound" row showing the stored sound (or "Default")
// that opens the chooser over the sound library, as the per-app page does.
#include "foundation/NSClassRegistry.h"
#include "foundation/NSFileManager.h"
#include "selectlist/QCSelectListTableViewController.h"
#include "store/SettingsStore.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewCell.h"

namespace {

class SoundRowPage : public UITableViewController {
 public:
  SoundRowPage() : UITableViewController(UITableViewStyleGrouped) { setTitle("Sound Row"); }

  // As the per-app page, which the chooser relies on for the folder it stores into.
  void viewDidLoad() override {
    UITableViewController::viewDidLoad();
    ensureSettingsDirectory();
  }

  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return 1; }

  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = tableView->cellForRowAtIndexPath(indexPath);
    if (!cell) cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, "SoundRow");
    cell->textLabel()->setText("Custom Sound");
    cell->detailTextLabel()->setText(readSoundName().value_or(kNoStoredSoundText));
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    return cell;
  }

  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override {
    tableView->deselectRowAtIndexPathAnimated(indexPath, true);
    auto cell = tableView->cellForRowAtIndexPath(indexPath);
    auto sounds = NSFileManager::defaultManager()->contentsOfDirectoryAtPathError(kSoundLibraryDirectory, nullptr);
    auto chooser = std::make_shared<QCSelectListTableViewController>(
        UITableViewStyleGrouped, "Custom Sound", sounds, sounds, readSoundName(), false,
        [cell](const std::string& value) {
          if (cell) cell->detailTextLabel()->setText(value);
        });
    navigationController()->pushViewControllerAnimated(chooser, true);
  }
};

const bool registered = NSRegisterClass<SoundRowPage>("SoundRowPage");

}  // namespace
