// The header cell: one layout whichever way it was made, the hairline
// filter, and the height a self-sizing table gives it (what the browser is
// sent of its look is the host's header cell suite).
#include <gtest/gtest.h>

#include <vector>

#include "foundation/NSCoder.h"
#include "support/PageTest.h"
#include "ui/QCHeaderTableViewCell.h"
#include "uikit/UINib.h"
#include "uikit/UIScreen.h"
#include "uikit/UITableViewController.h"

namespace {

std::shared_ptr<QCHeaderTableViewCell> makeCell() {
  return std::make_shared<QCHeaderTableViewCell>(UITableViewCellStyleDefault,
                                                 QCHeaderTableViewCell::classReuseIdentifier());
}

class HeaderCellTest : public PageTest {
 protected:
  void TearDown() override {
    UIScreen::mainScreen()->setScale(3);  // the screen outlives the test
    PageTest::TearDown();
  }
};

TEST_F(HeaderCellTest, IsLaidOutOnceWhicheverWayItWasMade) {
  const auto laidOutOnce = [](const QCHeaderTableViewCell& cell) {
    return cell.contentView()->subviews().size() == 2 && cell.titleLabel()->constraints().size() == 4 &&
           cell.detailLabel()->constraints().size() == 5;
  };
  EXPECT_TRUE(laidOutOnce(*makeCell())) << "initWithStyle:reuseIdentifier:";

  const NSCoder archive({{UITableViewCell::kReuseIdentifierKey, QCHeaderTableViewCell::classReuseIdentifier()}});
  auto decoded = std::make_shared<QCHeaderTableViewCell>(archive);
  EXPECT_EQ(decoded->titleLabel(), nullptr) << "initWithCoder: alone lays nothing out";
  EXPECT_TRUE(decoded->contentView()->subviews().empty());

  auto loaded = UINib::instantiate<QCHeaderTableViewCell>(archive);
  EXPECT_TRUE(laidOutOnce(*loaded)) << "initWithCoder: then awakeFromNib";
  EXPECT_EQ(loaded->reuseIdentifier(), "QCHeaderTableViewCellIdentifier");
  EXPECT_EQ(loaded->selectionStyle(), UITableViewCellSelectionStyleNone);
}

TEST_F(HeaderCellTest, DropsSubviewsExactlyOneDevicePixelHigh) {
  const auto kept = [](CGFloat scale, CGFloat height) {
    UIScreen::mainScreen()->setScale(scale);
    auto cell = makeCell();
    auto line = std::make_shared<UIView>(CGRectMake(0, 0, 100, height));
    cell->addSubview(line);
    return line->superview() == cell;
  };
  EXPECT_FALSE(kept(2, 0.5));
  EXPECT_TRUE(kept(2, 1));
  EXPECT_FALSE(kept(1, 1));
  EXPECT_FALSE(kept(3, 1.0 / 3)) << "a third times 3 is exactly 1";
  EXPECT_TRUE(kept(2, 0.5000001)) << "near one pixel is not one pixel";
  EXPECT_TRUE(kept(3, 0.3334));
  EXPECT_FALSE(kept(1, -1)) << "a height is read as CGRectGetHeight reads it, without its sign";

  UIScreen::mainScreen()->setScale(1);
  auto cell = makeCell();
  auto hairline = std::make_shared<UIView>(CGRectMake(0, 0, 100, 1));
  cell->contentView()->addSubview(hairline);
  EXPECT_EQ(hairline->superview(), cell->contentView()) << "only the cell's own subviews are filtered";
}

// A plain table of header cells, one per row; a detail wraps when its row says so.
struct HeaderRow {
  std::string title;
  std::string detail;
  bool wraps = true;
};
class HeaderPage : public UITableViewController {
 public:
  explicit HeaderPage(std::vector<HeaderRow> rows) : UITableViewController(UITableViewStylePlain), rows_(std::move(rows)) {}

  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override {
    return static_cast<long>(rows_.size());
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = std::dynamic_pointer_cast<QCHeaderTableViewCell>(
        tableView->dequeueReusableCellWithIdentifier(QCHeaderTableViewCell::classReuseIdentifier()));
    if (!cell) cell = makeCell();
    const HeaderRow& row = rows_.at(static_cast<std::size_t>(indexPath.row));
    cell->titleLabel()->setText(row.title);
    cell->detailLabel()->setText(row.detail);
    if (row.wraps) cell->detailLabel()->setNumberOfLines(0);  // else the cell's own one line
    return cell;
  }

 private:
  std::vector<HeaderRow> rows_;
};

TEST_F(HeaderCellTest, ASelfSizingRowIsAsTallAsTheDetailTextNeeds) {
  const std::string longLine(104, 'w');  // 104 x 7.5 = 780 points: two lines at 390
  showPage(std::make_shared<HeaderPage>(std::vector<HeaderRow>{{"Chimewell", ""},
                                                               {"Chimewell", "one line"},
                                                               {"Chimewell", "first\nsecond\nthird"},
                                                               {"Wide", longLine},
                                                               {"Unwrapped", "first\nsecond\nthird", false}}));
  const auto rows = screen().table->sections[0].rows;
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_DOUBLE_EQ(rows[0].height, 85) << "an empty detail still takes its 20 points";
  EXPECT_DOUBLE_EQ(rows[1].height, 85) << "one line of 18 points is under the 20";
  EXPECT_DOUBLE_EQ(rows[2].height, 15 + 30 + 5 + 3 * 18 + 15);
  EXPECT_DOUBLE_EQ(rows[3].y, 85 + 85 + 119);
  EXPECT_DOUBLE_EQ(rows[3].height, 15 + 30 + 5 + 2 * 18 + 15);
  EXPECT_DOUBLE_EQ(rows[4].height, 85) << "a detail that may not wrap keeps the row at its least";
}

}  // namespace
