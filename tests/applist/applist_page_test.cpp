#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "applist/AppIcon.h"
#include "applist/AppListReaders.h"
#include "applist/ApplistTableViewController.h"
#include "applist/ApplistVariables.h"
#include "dispatch/MainRunLoop.h"
#include "dispatch/WorkerPool.h"
#include "foundation/NSUserDefaults.h"
#include "store/SettingsPaths.h"
#include "support/AppListFixtures.h"
#include "support/PageTest.h"
#include "uikit/UIImage.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Dictionary = PlistValue::Dictionary;

namespace {

// The rows as "name identifier", in order.
std::vector<std::string> rowsShown(const Screen& screen) {
  std::vector<std::string> rows;
  if (!screen.table) return rows;
  for (const auto& section : screen.table->sections)
    for (const auto& row : section.rows) rows.push_back(row.text.value_or("") + " " + row.detailText.value_or(""));
  return rows;
}

// The picker over a prepared app list that the test delivers when it likes.
class PickerTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    makeFolderAt("/var/mobile/Library/Preferences");  // as on every phone
    SparkAppList::setSource(apps);
  }
  void TearDown() override {
    SparkAppList::setSource(nullptr);
    MainRunLoop::main().runUntil([] { return WorkerPool::global().isIdle() && appListReaders().isIdle(); });
    PageTest::TearDown();
  }

  void showPicker() { page = showNewPage<ApplistTableViewController>(); }
  void deliver(const std::vector<SparkAppRecord>& list) {
    apps->deliverLatest(list);
    MainRunLoop::main().runDue();
  }
  std::optional<PlistValue::Dictionary> cacheFile() const { return readDictionaryAt(kApplicationListCachePath); }

  std::shared_ptr<PreparedAppList> apps = std::make_shared<PreparedAppList>();
  std::shared_ptr<ApplistTableViewController> page;
  const std::vector<SparkAppRecord> three{preparedApp("Mail", "com.apple.mobilemail"),
                                          preparedApp("Maps", "com.apple.Maps"),
                                          preparedApp("Notes", "com.apple.mobilenotes")};
};

TEST_F(PickerTest, FillsWhenTheListArrivesAndATapHandsOffNameThenIdentifierAndPushesThePerAppPage) {
  NSUserDefaults::standardUserDefaults()->setObjectForKey("Picked Apps", kCurrentPresetKey);
  showPicker();
  EXPECT_EQ(screen().navigationBar.title, "Picked Apps");
  EXPECT_THAT(rowsShown(screen()), IsEmpty());  // the list comes later
  EXPECT_EQ(apps->gatherings(), 1u);
  deliver(three);
  EXPECT_THAT(rowsShown(screen()),
              ElementsAre("Mail com.apple.mobilemail", "Maps com.apple.Maps", "Notes com.apple.mobilenotes"));

  driver().tapRowByText("Maps");
  const Screen shown = screen();
  EXPECT_EQ(shown.pageClass, "ChimewellDetailView");
  EXPECT_EQ(shown.navigationBar.title, "Maps");  // read back by the new page as it loaded
  // Both keys are in the file (each was synchronized).
  const auto defaults = readDictionaryAt(NSUserDefaults::kPreferencesPath).value_or(Dictionary{});
  EXPECT_EQ(defaults.at(kCurrentAppKey), PlistValue("Maps"));
  EXPECT_EQ(defaults.at(kCurrentAppIdentifierKey), PlistValue("com.apple.Maps"));
  EXPECT_FALSE(page->tableView()->indexPathForSelectedRow().has_value());
  // Back again: the list is fetched afresh for the new showing.
  driver().goBack();
  EXPECT_EQ(apps->gatherings(), 2u);
}

// The cache file keeps every app seen, and is written only when a list adds
// to it: in another writer's binary form, or unreadable, it stays as it is.
TEST_F(PickerTest, TheCacheFileGainsTheAppsOfEachListAndIsLeftAloneOtherwise) {
  showPicker();
  deliver({preparedApp("Twin", "com.example.first"), preparedApp("Solo", "com.example.solo"),
           preparedApp("Twin", "com.example.second")});
  // Same name: both rows stay, the cache keeps the later identifier.
  EXPECT_THAT(rowsShown(screen()),
              ElementsAre("Twin com.example.first", "Solo com.example.solo", "Twin com.example.second"));
  EXPECT_EQ(cacheFile(), Dictionary({{"Solo", "com.example.solo"}, {"Twin", "com.example.second"}}));
  page->fetchData();
  EXPECT_THAT(rowsShown(screen()), IsEmpty());  // rebuilt from nothing
  deliver({preparedApp("New", "com.example.new")});
  EXPECT_THAT(rowsShown(screen()), ElementsAre("New com.example.new"));
  EXPECT_EQ(cacheFile(), Dictionary({{"New", "com.example.new"},
                                     {"Solo", "com.example.solo"},
                                     {"Twin", "com.example.second"}}));

  for (const std::string& left : {binaryPropertyListData(*cacheFile()), std::string("not a property list")}) {
    writeFileAt(kApplicationListCachePath, left);
    for (const auto& list : {std::vector{preparedApp("New", "com.example.new")}, std::vector<SparkAppRecord>{}}) {
      page->fetchData();
      deliver(list);
      EXPECT_EQ(readFileAt(kApplicationListCachePath), left);
    }
  }
  EXPECT_EQ(dict, nullptr);
}

TEST_F(PickerTest, SearchFiltersDisplayNamesWithoutIconsUntilTheTextIsEmptyAndEachRowKeepsItsApp) {
  showPicker();
  deliver({preparedApp("Café Crème", "com.example.cafe"), preparedApp("Calendar", "com.apple.mobilecal"),
           preparedApp("Notes", "com.apple.mobilenotes"), preparedApp("Notes", "com.example.notes")});
  driver().setSearchText("CA");
  EXPECT_TRUE(isFiltering);
  const Screen filtered = screen();  // the loop below must not outlive it
  EXPECT_THAT(rowsShown(filtered), ElementsAre("Café Crème com.example.cafe", "Calendar com.apple.mobilecal"));
  for (const auto& row : filtered.table->sections[0].rows) EXPECT_EQ(row.image, nullptr);
  driver().setSearchText("mobilecal");  // identifiers are not searched
  EXPECT_THAT(rowsShown(screen()), IsEmpty());
  driver().setSearchText("");
  EXPECT_FALSE(isFiltering);
  EXPECT_EQ(rowsShown(screen()).size(), 4u);
  EXPECT_NE(screen().table->sections[0].rows[0].image, nullptr);

  // Search and Cancel hide the keyboard and the Cancel button, and keep the results.
  driver().tapSearchBar();
  EXPECT_TRUE(screen().navigationBar.searchBar->showsCancelButton);
  driver().setSearchText("note");
  for (const bool cancel : {false, true}) {
    if (cancel) driver().tapSearchBar();
    cancel ? driver().tapSearchCancelButton() : driver().tapSearchButton();
    const Screen shown = screen();
    EXPECT_FALSE(shown.navigationBar.searchBar->editing);
    EXPECT_FALSE(shown.navigationBar.searchBar->showsCancelButton);
    EXPECT_EQ(shown.navigationBar.searchBar->text, "note");
    EXPECT_THAT(rowsShown(shown), ElementsAre("Notes com.apple.mobilenotes", "Notes com.example.notes"));
  }
  driver().tapRow("s0r1");
  EXPECT_EQ(NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentAppIdentifierKey), "com.example.notes");
}

TEST_F(PickerTest, AFetchEmptiesTheRowsAndTheNextListShowsItsOwnMatchesForTheSearchTypedMeanwhile) {
  showPicker();
  deliver(std::vector<SparkAppRecord>(60, preparedApp("App", "com.example.app")));
  driver().scrollTo(1500);
  EXPECT_FALSE(rowsShown(screen()).empty());
  page->fetchData();
  driver().scrollTo(1600);  // no row is asked of the lists just emptied
  EXPECT_THAT(rowsShown(screen()), IsEmpty());
  driver().scrollTo(0);
  driver().setSearchText("ma");
  EXPECT_THAT(rowsShown(screen()), IsEmpty());
  deliver(three);
  EXPECT_THAT(rowsShown(screen()), ElementsAre("Mail com.apple.mobilemail", "Maps com.apple.Maps"));
  // A new list behind the same search: its matches, none of the old list's.
  page->fetchData();
  EXPECT_THAT(rowsShown(screen()), IsEmpty());
  deliver({preparedApp("Magnifier", "com.apple.Magnifier"), preparedApp("Notes", "com.apple.mobilenotes")});
  EXPECT_THAT(rowsShown(screen()), ElementsAre("Magnifier com.apple.Magnifier"));
}

TEST_F(PickerTest, OnlyTheLatestFetchCounts) {
  showPicker();
  page->fetchData();
  deliver(three);
  EXPECT_TRUE(screen().loading) << "the first fetch's list is still being gathered";
  // The first fetch's list arrives late: it changes neither rows nor cache.
  apps->deliver(0, {preparedApp("Stale", "com.example.stale")});
  MainRunLoop::main().runDue();
  EXPECT_FALSE(screen().loading);
  EXPECT_THAT(rowsShown(screen()).size(), 3u);
  EXPECT_EQ(cacheFile()->count("Stale"), 0u);
  EXPECT_EQ(dict->count(), 3u);

  // Nor does a list for the page underneath, once a newer page fetched.
  auto second = std::make_shared<ApplistTableViewController>();
  navigationController()->pushViewControllerAnimated(second, false);
  apps->deliver(1, {preparedApp("Older", "com.example.older")});
  EXPECT_EQ(dict->count(), 3u);
  EXPECT_EQ(page->arr().size(), 3u);
}

// The real app list library, scanning a device root (which apps it leaves
// out is the scan suite's).
TEST_F(PickerTest, OnADeviceListsTheInstalledAppsWithTheirIconsOnceTheScanEnds) {
  SparkAppList::setSource(nullptr);
  installApp(deviceRootPath(), "/Applications/MobileMail.app",
             appInfo("com.apple.mobilemail", "Mail", {{"CFBundleIconFiles", PlistValue::Array{"Icon"}}}),
             InfoFormat::binary);
  writeHostFile(hostPathFor("/Applications/MobileMail.app/Icon@2x.png"), pngOfSize(120, 120));
  installApp(deviceRootPath(), "/var/containers/Bundle/Application/C1/Cafe.app",
             appInfo("com.example.cafe", "café"));
  showPicker();
  ASSERT_TRUE(MainRunLoop::main().runUntil([&] { return page->arr().size() == 2; }));
  const Screen shown = screen();
  EXPECT_THAT(rowsShown(shown), ElementsAre("café com.example.cafe", "Mail com.apple.mobilemail"));
  // The main thread reads no icon: the generic one shows until a reader has read Mail's.
  EXPECT_EQ(shown.table->sections[0].rows[1].image.get(), genericAppIcon().get());
  EXPECT_TRUE(MainRunLoop::main().runUntil(
      [&] { return screen().table->sections[0].rows[1].image->pngData() == pngOfSize(120, 120); }));
  EXPECT_EQ(readDictionaryAt(kApplicationListCachePath),
            Dictionary({{"Mail", "com.apple.mobilemail"}, {"café", "com.example.cafe"}}));
}

}  // namespace
