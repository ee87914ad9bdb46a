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
    PageTest::TearDown();
  }

  std::shared_ptr<ApplistTableViewController> showPicker() {
    page = showNewPage<ApplistTableViewController>();
    return page;
  }
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

TEST_F(PickerTest, BuildsASearchBarTitleViewAndATableThatFillsWhenTheListArrives) {
  NSUserDefaults::standardUserDefaults()->setObjectForKey("Picked Apps", kCurrentPresetKey);
  showPicker();
  Screen shown = screen();
  EXPECT_EQ(shown.navigationBar.title, "Picked Apps");
  ASSERT_TRUE(shown.navigationBar.searchBar.has_value());
  EXPECT_THAT(rowsShown(shown), IsEmpty());  // the list comes later
  EXPECT_EQ(apps->gatherings(), 1u);

  deliver(three);
  shown = screen();
  EXPECT_THAT(rowsShown(shown),
              ElementsAre("Mail com.apple.mobilemail", "Maps com.apple.Maps", "Notes com.apple.mobilenotes"));
  for (const auto& row : shown.table->sections[0].rows) {
    EXPECT_EQ(row.style, ScreenCellStyle::subtitle);
    EXPECT_EQ(row.accessory, ScreenAccessory::disclosure);
    EXPECT_NE(row.image, nullptr);
  }

  NSUserDefaults::standardUserDefaults()->setObjectForKey(std::nullopt, kCurrentPresetKey);
  showPicker();
  EXPECT_FALSE(screen().navigationBar.title.has_value()) << "without a preset the page has no title";
}

TEST_F(PickerTest, TheCacheFileIsWrittenOnceAListAddsToItAndEntriesAccumulate) {
  showPicker();
  deliver({preparedApp("Twin", "com.example.first"), preparedApp("Solo", "com.example.solo"),
           preparedApp("Twin", "com.example.second")});
  // Same name: both rows stay, the cache keeps the later identifier.
  EXPECT_THAT(rowsShown(screen()),
              ElementsAre("Twin com.example.first", "Solo com.example.solo", "Twin com.example.second"));
  EXPECT_EQ(cacheFile(), Dictionary({{"Solo", "com.example.solo"}, {"Twin", "com.example.second"}}));
  EXPECT_EQ(dict->contents(), *cacheFile());

  page->fetchData();
  EXPECT_THAT(rowsShown(screen()), IsEmpty());  // rebuilt from nothing
  deliver({preparedApp("New", "com.example.new")});
  EXPECT_THAT(rowsShown(screen()), ElementsAre("New com.example.new"));
  // Apps seen before stay in the cache.
  EXPECT_EQ(cacheFile(), Dictionary({{"New", "com.example.new"},
                                  {"Solo", "com.example.solo"},
                                  {"Twin", "com.example.second"}}));
}

TEST_F(PickerTest, AListThatAddsNothingLeavesTheCacheFileAsItIs) {
  // Binary, as another writer may leave it: still the same content, so untouched.
  writeFileAt(kApplicationListCachePath,
              binaryPropertyListData({{"Mail", "com.apple.mobilemail"}, {"Gone", "com.example.gone"},
                                      {"Maps", "com.apple.Maps"}, {"Notes", "com.apple.mobilenotes"}}));
  const auto before = readFileAt(kApplicationListCachePath);
  showPicker();
  deliver(three);
  EXPECT_EQ(readFileAt(kApplicationListCachePath), before);
  EXPECT_EQ(dict->count(), 4u);

  page->fetchData();
  deliver({});  // an empty list: no rows, nothing written
  EXPECT_THAT(rowsShown(screen()), IsEmpty());
  EXPECT_EQ(readFileAt(kApplicationListCachePath), before);
}

TEST_F(PickerTest, AnUnreadableCacheFileStaysAsItIsAndLosesNoIdentifier) {
  writeFileAt(kApplicationListCachePath, "not a property list");
  showPicker();
  deliver(three);
  EXPECT_EQ(dict, nullptr);
  EXPECT_EQ(readFileAt(kApplicationListCachePath), "not a property list");
  driver().setSearchText("ma");
  EXPECT_THAT(rowsShown(screen()), ElementsAre("Mail com.apple.mobilemail", "Maps com.apple.Maps"));
  driver().tapRowByText("Maps");
  EXPECT_EQ(NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentAppIdentifierKey), "com.apple.Maps");
}

TEST_F(PickerTest, SearchFiltersDisplayNamesWithoutIconsAndAnEmptyTextBringsAllRowsBack) {
  showPicker();
  deliver({preparedApp("Café Crème", "com.example.cafe"), preparedApp("Calendar", "com.apple.mobilecal"),
           preparedApp("Mail", "com.apple.mobilemail")});
  driver().setSearchText("CA");
  Screen shown = screen();
  EXPECT_TRUE(isFiltering);
  EXPECT_THAT(rowsShown(shown), ElementsAre("Café Crème com.example.cafe", "Calendar com.apple.mobilecal"));
  for (const auto& row : shown.table->sections[0].rows) EXPECT_EQ(row.image, nullptr);
  driver().setSearchText("mobilemail");  // identifiers are not searched
  EXPECT_THAT(rowsShown(screen()), IsEmpty());

  driver().setSearchText("");
  shown = screen();
  EXPECT_FALSE(isFiltering);
  EXPECT_THAT(rowsShown(shown), ElementsAre("Café Crème com.example.cafe", "Calendar com.apple.mobilecal",
                                            "Mail com.apple.mobilemail"));
  EXPECT_NE(shown.table->sections[0].rows[0].image, nullptr);
}

TEST_F(PickerTest, SearchAndCancelButtonsHideKeyboardAndCancelButtonButKeepTheResults) {
  showPicker();
  deliver(three);
  driver().tapSearchBar();
  EXPECT_TRUE(screen().navigationBar.searchBar->showsCancelButton);
  driver().setSearchText("no");
  driver().tapSearchButton();
  Screen shown = screen();
  EXPECT_FALSE(shown.navigationBar.searchBar->editing);
  EXPECT_FALSE(shown.navigationBar.searchBar->showsCancelButton);
  EXPECT_THAT(rowsShown(shown), ElementsAre("Notes com.apple.mobilenotes"));

  driver().tapSearchBar();
  driver().tapSearchCancelButton();
  shown = screen();
  EXPECT_FALSE(shown.navigationBar.searchBar->editing);
  EXPECT_FALSE(shown.navigationBar.searchBar->showsCancelButton);
  EXPECT_EQ(shown.navigationBar.searchBar->text, "no");
  EXPECT_TRUE(isFiltering);
  EXPECT_THAT(rowsShown(shown), ElementsAre("Notes com.apple.mobilenotes"));
}

TEST_F(PickerTest, ATapHandsOffNameThenIdentifierDeselectsAndPushesThePerAppPage) {
  showPicker();
  deliver(three);
  driver().tapRowByText("Maps");
  const Screen shown = screen();
  EXPECT_EQ(shown.depth, 2);
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
  deliver(three);
  EXPECT_THAT(rowsShown(screen()).size(), 3u);
}

TEST_F(PickerTest, SearchResultsKeepTheirOwnAppsEvenWithOneName) {
  showPicker();
  deliver({preparedApp("Notes", "com.apple.mobilenotes"), preparedApp("Notes", "com.example.notes")});
  driver().setSearchText("note");
  EXPECT_THAT(rowsShown(screen()), ElementsAre("Notes com.apple.mobilenotes", "Notes com.example.notes"));
  driver().tapRow("s0r0");
  EXPECT_EQ(NSUserDefaults::standardUserDefaults()->stringForKey(kCurrentAppIdentifierKey), "com.apple.mobilenotes");
}

TEST_F(PickerTest, AListArrivingUnderASearchShowsItsOwnMatches) {
  showPicker();
  driver().setSearchText("ma");  // typed before the list came
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

TEST_F(PickerTest, NoRowIsAskedOfListsThatAFetchEmptied) {
  showPicker();
  std::vector<SparkAppRecord> many(60, preparedApp("App", "com.example.app"));
  deliver(many);
  driver().scrollTo(1500);
  EXPECT_FALSE(rowsShown(screen()).empty());
  page->fetchData();
  driver().scrollTo(1600);
  EXPECT_THAT(rowsShown(screen()), IsEmpty());
  deliver(many);
  EXPECT_FALSE(rowsShown(screen()).empty());
}

// The real app list library, scanning a device root (which apps it leaves
// out is the scan suite's).
class PickerOnADeviceTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    makeFolderAt("/var/mobile/Library/Preferences");
  }
  void TearDown() override {
    MainRunLoop::main().runUntil([] { return WorkerPool::global().isIdle() && appListReaders().isIdle(); });
    PageTest::TearDown();
  }
};

TEST_F(PickerOnADeviceTest, ListsTheInstalledAppsWithTheirIconsOnceTheScanEnds) {
  installApp(deviceRootPath(), "/Applications/MobileMail.app",
             appInfo("com.apple.mobilemail", "Mail", {{"CFBundleIconFiles", PlistValue::Array{"Icon"}}}),
             InfoFormat::binary);
  writeHostFile(hostPathFor("/Applications/MobileMail.app/Icon@2x.png"), pngOfSize(120, 120));
  installApp(deviceRootPath(), "/var/containers/Bundle/Application/C1/Cafe.app",
             appInfo("com.example.cafe", "café"));
  auto page = showNewPage<ApplistTableViewController>();
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
