// The table's viewport: which rows it asks for, how cells are reused when
// scrolling and reloading, and how high rows, sections and footers are.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/AppListFixtures.h"
#include "support/PageTest.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit_test_pages.h"

namespace {

// The 390 x 844 points of the main screen, less the navigation bar.
constexpr double kWindowWidth = 390;
constexpr double kWindowViewport = 844 - UINavigationController::kNavigationBarHeight;

class TableTest : public PageTest {
 protected:
  std::shared_ptr<ListPage> showList(int rows, UITableViewStyle style = UITableViewStylePlain) {
    auto page = std::make_shared<ListPage>(style);
    page->sections = {ListPage::numberedRows(rows)};
    showPage(page);
    return page;
  }
};

TEST_F(TableTest, ConfiguresOnlyTheRowsInTheViewportAndItsOverscanAndFollowsItsHeight) {
  auto page = showList(100);
  // 17 rows of 44 points fill the 748 points below the navigation bar; as
  // many again are held below them, none above the top.
  EXPECT_EQ(page->cellsConfigured, 34);
  auto table = page->tableView();
  EXPECT_DOUBLE_EQ(table->viewportHeight(), kWindowViewport);
  EXPECT_NE(table->cellForRowAtIndexPath({0, 33}), nullptr);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 34}), nullptr);
  EXPECT_EQ(table->visibleCells().size(), 34u);

  auto shown = screen();
  ASSERT_TRUE(shown.table);
  EXPECT_DOUBLE_EQ(shown.table->contentHeight, 100 * 44);
  EXPECT_DOUBLE_EQ(shown.table->overscan, kWindowViewport);
  EXPECT_EQ(shown.table->sections[0].rows.size(), 34u);
  EXPECT_EQ(shown.table->sections[0].rows.back().id, "s0r33");
  EXPECT_DOUBLE_EQ(shown.table->sections[0].rows.back().y, 33 * 44);
  auto rows = [](int first, int last) {
    std::vector<std::string> texts;
    for (int row = first; row <= last; ++row) texts.push_back("row " + std::to_string(row));
    return texts;
  };
  auto comingIntoView = table->cellForRowAtIndexPath({0, 20});
  driver().scrollTo(440);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 20}), comingIntoView) << "a screen's scroll shows rows already made";

  driver().setViewportHeight(100);
  EXPECT_DOUBLE_EQ(screen().table->viewportHeight, 100);
  driver().scrollTo(150);
  EXPECT_EQ(rowTexts(screen()), rows(1, 7));
}

TEST_F(TableTest, ScrollingReusesTheCellsThatLeftTheViewport) {
  auto page = showList(100);
  auto firstCell = page->tableView()->cellForRowAtIndexPath({0, 0});
  driver().scrollTo(kWindowViewport + 440);  // ten rows past the overscan above

  EXPECT_EQ(page->cellsCreated, 51) << "rows coming in take the cells of rows gone out";
  EXPECT_EQ(page->cellsConfigured, 61);
  auto table = page->tableView();
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 0}), nullptr);
  auto reusedAt = table->indexPathForCell(firstCell);
  ASSERT_TRUE(reusedAt) << "the first row's cell went to the pool and came back for a new row";
  EXPECT_GE(reusedAt->row, 34);
  EXPECT_EQ(firstCell->textLabel()->text(), "row " + std::to_string(reusedAt->row));
  EXPECT_EQ(screen().table->sections[0].rows.front().text, "row 10");

  driver().scrollTo(1e6);
  EXPECT_DOUBLE_EQ(screen().table->contentOffset, 100 * 44 - kWindowViewport) << "scrolling stops at the end";
  EXPECT_EQ(screen().table->sections[0].rows.back().text, "row 99");
}

TEST_F(TableTest, ReloadAsksAgainForTheVisibleRowsOnlyWhenNextRead) {
  auto page = showList(3);
  auto table = page->tableView();
  page->sections[0][1] = "changed";
  table->reloadData();
  EXPECT_EQ(page->cellsConfigured, 3) << "nothing is asked before the table is read";
  EXPECT_EQ(rowTexts(screen()), (std::vector<std::string>{"row 0", "changed", "row 2"}));
  EXPECT_EQ(page->cellsConfigured, 6);
  EXPECT_EQ(page->cellsCreated, 3) << "the reload reuses the cells it dropped";

  page->sections[0].pop_back();
  table->reloadData();
  EXPECT_EQ(table->numberOfRowsInSection(0), 2) << "counting the rows does not yet ask for cells";
  EXPECT_EQ(page->cellsConfigured, 6);
  EXPECT_NE(table->cellForRowAtIndexPath({0, 1}), nullptr);
  EXPECT_EQ(table->visibleCells().size(), 2u);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 2}), nullptr);
}

// Like a page that makes a new cell for every row and never dequeues.
class FreshCellsPage : public ListPage {
 public:
  std::vector<std::weak_ptr<UITableViewCell>> made;
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "cell");
    cell->textLabel()->setText(sections[indexPath.section][indexPath.row]);
    made.push_back(cell);
    return cell;
  }
};

TEST_F(TableTest, CellsThatAreNeverDequeuedDoNotPileUpInThePool) {
  auto page = std::make_shared<FreshCellsPage>();
  page->sections = {ListPage::numberedRows(100)};
  showPage(page);
  auto firstScreen = page->made;
  for (int reload = 0; reload < 5; ++reload) {
    page->tableView()->reloadData();
    screen();
  }
  EXPECT_TRUE(std::all_of(firstScreen.begin(), firstScreen.end(), [](const auto& cell) { return cell.expired(); }))
      << "the pool keeps about a screenful, newest first";
  EXPECT_EQ(page->tableView()->visibleCells().size(), 34u);
}

TEST_F(TableTest, SubtitleRowsWithADetailAreTallerAndDelegateHeightsWin) {
  auto page = std::make_shared<ListPage>();
  page->sections = {{"a", "b"}};
  page->cellStyle = UITableViewCellStyleSubtitle;
  page->detailText = "com.example.a";
  showPage(page);
  EXPECT_DOUBLE_EQ(screen().table->sections[0].rows[1].y, 56);

  page->rowHeight = 70;
  page->tableView()->reloadData();
  EXPECT_DOUBLE_EQ(screen().table->sections[0].rows[1].y, 70);
}

TEST_F(TableTest, GroupedSectionsAreSpacedAndHeadersAndFootersTakeLinesByLength) {
  auto page = std::make_shared<ListPage>(UITableViewStyleInsetGrouped);
  page->sections = {{"a"}, {"b"}, {}};
  page->headers = {std::nullopt, "second"};
  std::string longFooter(100, 'x');  // 50 glyphs of 7 points fit a 390-point table's line
  page->footers = {"short", longFooter, "empty section"};
  showPage(page);
  auto table = *screen().table;
  EXPECT_EQ(table.style, ScreenTableStyle::grouped) << "the browser draws inset grouped as grouped";
  ASSERT_EQ(table.sections.size(), 3u);
  EXPECT_EQ(table.sections[0].header, std::nullopt);
  EXPECT_EQ(table.sections[1].header, "second");
  EXPECT_EQ(table.sections[0].footer, "short");
  EXPECT_TRUE(table.sections[2].rows.empty());
  EXPECT_EQ(table.sections[2].footer, "empty section");
  const double oneLine = UITableView::kFooterMargin + UITableView::kFooterLineHeight;
  const double twoLines = oneLine + UITableView::kFooterLineHeight;
  const double top = UITableView::kGroupedTopSpacing;
  const double spacing = UITableView::kGroupedSectionSpacing;
  EXPECT_DOUBLE_EQ(table.sections[0].rows[0].y, top);
  // The header sits above its section's rows.
  EXPECT_DOUBLE_EQ(table.sections[1].rows[0].y, top + 44 + oneLine + spacing + oneLine);
  // Footers of one, two and one line, and one header line.
  EXPECT_DOUBLE_EQ(table.contentHeight, top + 2 * 44 + (2 * oneLine + twoLines) + 2 * spacing + oneLine);
  // A footer's place follows its section's rows; a section without rows has it too.
  EXPECT_DOUBLE_EQ(table.sections[0].footerY, top + 44);
  EXPECT_DOUBLE_EQ(table.sections[2].footerY, table.contentHeight - oneLine);
}

TEST_F(TableTest, TappedRowIsSelectedUntilThePageDeselectsIt) {
  auto page = showList(3);
  driver().tapRowByText("row 1");
  ASSERT_EQ(page->selections.size(), 1u);
  EXPECT_EQ(page->selections[0], (NSIndexPath{0, 1}));
  EXPECT_TRUE(rowWithText(screen(), "row 1")->selected);
  page->tableView()->deselectRowAtIndexPathAnimated({0, 1}, true);
  EXPECT_FALSE(rowWithText(screen(), "row 1")->selected);
  EXPECT_THROW(driver().tapRowByText("row 7"), std::invalid_argument);
  EXPECT_THROW(driver().tapRow("s0r3"), std::invalid_argument);
}

// Rows with an icon each, read on first use, as the app picker shows them;
// counts the reads of each row's icon.
class IconRowsPage : public ListPage {
 public:
  explicit IconRowsPage(int count) : loads(static_cast<std::size_t>(count)) {
    sections = {numberedRows(count)};
    for (std::size_t row = 0; row < loads.size(); ++row) {
      icons.push_back(UIImage::imageLoadedOnFirstUse([this, row] {
        ++loads[row];
        return UIImage::LoadedPNG{pngOfSize(120, 120), 2};
      }));
    }
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = ListPage::tableViewCellForRowAtIndexPath(tableView, indexPath);
    cell->imageView()->setImage(icons[static_cast<std::size_t>(indexPath.row)]);
    return cell;
  }
  long iconsInMemory() const {
    return std::ranges::count_if(icons, [](const auto& icon) { return icon->isLoaded(); });
  }

  std::vector<std::shared_ptr<UIImage>> icons;
  std::vector<int> loads;
};

TEST_F(TableTest, IconsOfRowsScrolledFarAwayAreLetGoAndReadAgainWhenTheirRowsReturn) {
  auto page = std::make_shared<IconRowsPage>(1000);
  showPage(page);
  // The host draws every icon on screen, which reads it.
  auto draw = [this] {
    const auto shown = screen();
    for (const auto& row : shown.table->sections[0].rows) row.image->pngData();
  };
  draw();
  driver().scrollTo(kWindowViewport);
  draw();
  driver().scrollTo(0);
  draw();
  EXPECT_EQ(page->loads[0], 1) << "a row one screen away keeps its icon";

  for (double offset = 0; offset < 1000 * 44; offset += kWindowViewport) {
    driver().scrollTo(offset);
    draw();
  }
  EXPECT_FALSE(page->icons[0]->isLoaded());
  EXPECT_TRUE(page->icons[999]->isLoaded());
  const auto held = page->tableView()->visibleCells().size();
  EXPECT_LE(page->iconsInMemory(), static_cast<long>((UITableView::kTimesHeldRowsOfImagesKept + 1) * held))
      << "a few screens of icons stay, not the thousand scrolled through";

  driver().scrollTo(0);
  draw();
  EXPECT_EQ(page->loads[0], 2) << "read again when its row came back";
  EXPECT_EQ(page->loads[500], 1) << "never read twice while it stayed away";
}

// A page that owns its table and pins it to its view's edges.
class PinnedTablePage : public UIViewController, public UITableViewDataSource {
 public:
  std::shared_ptr<UITableView> table = std::make_shared<UITableView>(CGRectZero, UITableViewStyleGrouped);
  void viewDidLoad() override {
    table->setDataSource(selfAs<PinnedTablePage>());
    table->setTranslatesAutoresizingMaskIntoConstraints(false);
    view()->addSubview(table);
    NSLayoutConstraint::activateConstraints({
        table->topAnchor().constraintEqualToAnchor(view()->topAnchor()),
        table->bottomAnchor().constraintEqualToAnchor(view()->bottomAnchor()),
        table->leadingAnchor().constraintEqualToAnchor(view()->leadingAnchor()),
        table->trailingAnchor().constraintEqualToAnchor(view()->trailingAnchor()),
    });
  }
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return 40; }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, "cell");
    cell->textLabel()->setText("row " + std::to_string(indexPath.row));
    return cell;
  }
};

TEST_F(TableTest, ATablePinnedToThePageFillsTheAreaBelowTheNavigationBar) {
  auto page = showNewPage<PinnedTablePage>();
  EXPECT_EQ(page->table->frame(), CGRectMake(0, 0, kWindowWidth, kWindowViewport));
  auto shown = screen();
  ASSERT_TRUE(shown.table) << "the first table in the page's views is its table";
  EXPECT_DOUBLE_EQ(shown.table->viewportHeight, kWindowViewport);
  EXPECT_EQ(shown.table->sections[0].rows.size(), 34u)
      << "35 points of section spacing, then 16 rows and a part, and a screen of rows held below";
}

}  // namespace
