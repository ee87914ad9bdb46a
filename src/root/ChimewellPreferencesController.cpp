#include "root/ChimewellPreferencesController.h"

#include <array>

#include "applist/ApplistTableViewController.h"
#include "foundation/NSClassRegistry.h"
#include "foundation/NSURL.h"
#include "uikit/UIApplication.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UITableViewCell.h"

namespace {

const bool registered =
    NSRegisterClass<ChimewellPreferencesController>("ChimewellPreferencesController");

constexpr const char* kCellIdentifier = "MyCustomCell";
constexpr long kSectionCount = 3;
constexpr std::array<const char*, kSectionCount> kRowTitles{
    "Configure Applications", "Report", "Follow on Twitter"};
constexpr std::array<const char*, kSectionCount> kFooters{
    "Configure global settings", "Report a problem / bug or a feature", "Find me on Twitter"};

// Sections compare as unsigned, so a negative one is out of range too.
bool isKnownSection(long section) {
  return static_cast<unsigned long>(section) < static_cast<unsigned long>(kSectionCount);
}

}  // namespace

ChimewellPreferencesController::ChimewellPreferencesController() {
  setTitle("Chimewell");
  cellIconNames_ = {"global", "report", "twitter"};
}

void ChimewellPreferencesController::loadView() {
  PSViewController::loadView();
  tableView_ = std::make_shared<UITableView>(view()->bounds(), UITableViewStyleGrouped);
  tableView_->setDelegate(selfAs<UITableViewDelegate>());
  tableView_->setDataSource(selfAs<UITableViewDataSource>());
  tableView_->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
  view()->addSubview(tableView_);
}

long ChimewellPreferencesController::numberOfSectionsInTableView(
    const std::shared_ptr<UITableView>&) {
  return kSectionCount;
}

long ChimewellPreferencesController::tableViewNumberOfRowsInSection(
    const std::shared_ptr<UITableView>&, long) {
  return 1;
}

std::shared_ptr<UITableViewCell> ChimewellPreferencesController::tableViewCellForRowAtIndexPath(
    const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {
  auto cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) {
    cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, kCellIdentifier);
    // Only a new cell gets the indicator; a reused one already has it.
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  }
  // Title and icon are set at every request, so a reused cell never keeps
  // another row's.
  std::optional<std::string> title;
  std::shared_ptr<UIImage> icon;
  if (isKnownSection(indexPath.section)) {
    const auto section = static_cast<std::size_t>(indexPath.section);
    title = kRowTitles[section];
    if (section < cellIconNames_.size()) icon = UIImage::imageNamed(cellIconNames_[section]);
  }
  cell->textLabel()->setText(title);
  cell->imageView()->setImage(icon);
  return cell;
}

std::optional<std::string> ChimewellPreferencesController::tableViewTitleForFooterInSection(
    const std::shared_ptr<UITableView>&, long section) {
  if (!isKnownSection(section)) return std::nullopt;
  return kFooters[static_cast<std::size_t>(section)];
}

void ChimewellPreferencesController::tableViewDidSelectRowAtIndexPath(
    const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {
  tableView->deselectRowAtIndexPathAnimated(indexPath, true);
  switch (indexPath.section) {
    case 0:
      showApplicationPicker();
      break;
    case 1:
      presentProblemReport();
      break;
    case 2:
      openProfile();
      break;
    default:
      break;
  }
}

void ChimewellPreferencesController::showApplicationPicker() {
  if (auto navigation = navigationController()) {
    navigation->pushViewControllerAnimated(std::make_shared<ApplistTableViewController>(), true);
  }
}

void ChimewellPreferencesController::presentProblemReport() {
  if (!MFMailComposeViewController::canSendMail()) return;  // no account: nothing to offer
  auto composer = std::make_shared<MFMailComposeViewController>();
  composer->setMailComposeDelegate(selfAs<MFMailComposeViewControllerDelegate>());
  composer->setSubject(kReportSubject);
  composer->setToRecipients({kSupportAddress});
  composer->setMessageBodyIsHTML(kReportBody, false);
  presentViewControllerAnimatedCompletion(composer, true, nullptr);
}

void ChimewellPreferencesController::openProfile() {
  UIApplication::sharedApplication()->openURLOptionsCompletionHandler(
      NSURL::URLWithString(kProfileAddress), {}, nullptr);
}

void ChimewellPreferencesController::mailComposeControllerDidFinishWithResultError(
    const std::shared_ptr<MFMailComposeViewController>& controller, MFMailComposeResult,
    const std::shared_ptr<NSError>&) {
  // Whatever the outcome, the sheet goes away; the result is not shown.
  if (auto presenter = controller->presentingViewController()) {
    presenter->dismissViewControllerAnimatedCompletion(true, nullptr);
  }
}
